#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace tallivo::browser {

// The few registry operations of the browser entry, under the current user's root. Key paths
// are given as the registry writes them, from the root with a leading backslash.
class Registry {
public:
    virtual ~Registry() = default;
    virtual bool KeyExists(const QString& key_path) = 0;
    // Opens the key, creating it and any missing parents, and writes its default value.
    virtual bool WriteDefaultValue(const QString& key_path, const QString& value) = 0;
    virtual QString DefaultValue(const QString& key_path) = 0;
    // Deleting a key that does not exist succeeds.
    virtual bool DeleteKey(const QString& key_path) = 0;
};

// The registry over QSettings: the native registry under HKEY_CURRENT_USER on Windows, an INI
// file elsewhere, which keeps the same key path and default value.
class SettingsRegistry : public Registry {
public:
    explicit SettingsRegistry(std::unique_ptr<QSettings> settings);
    ~SettingsRegistry() override;

    // HKEY_CURRENT_USER on Windows; "Tallivo/registry.ini" in the user's configuration folder
    // elsewhere.
    static std::unique_ptr<SettingsRegistry> ForCurrentUser();
    // An INI file of its own, for tests.
    static std::unique_ptr<SettingsRegistry> ForIniFile(const QString& path);

    bool KeyExists(const QString& key_path) override;
    bool WriteDefaultValue(const QString& key_path, const QString& value) override;
    QString DefaultValue(const QString& key_path) override;
    bool DeleteKey(const QString& key_path) override;

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace tallivo::browser
