// A file or folder that refuses writes while the object lives, also to root, who writes past
// permission bits: as root it is bind-mounted read-only over itself in a mount namespace of the
// test process's own, so the machine's mounts never see it; otherwise its write bits go.
#pragma once

#include <errno.h>
#include <sched.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace tallivo::testing {

class ReadOnlyPath {
public:
    explicit ReadOnlyPath(std::string path) : path_(std::move(path)) {
        struct stat st {};
        if (::stat(path_.c_str(), &st) != 0) {
            Fail("stat");
            return;
        }
        mode_ = st.st_mode & 07777;
        if (::geteuid() != 0) {
            if (::chmod(path_.c_str(), mode_ & ~0222) != 0) Fail("chmod");
            return;
        }
        if (!PrivateMounts()) {
            unavailable_ = true;
            return;
        }
        if (::mount(path_.c_str(), path_.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            Fail("bind mount");
            return;
        }
        mounted_ = true;
        if (::mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
            0)
            Fail("read-only remount");
    }
    ~ReadOnlyPath() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
        if (::geteuid() != 0) ::chmod(path_.c_str(), mode_);
    }
    ReadOnlyPath(const ReadOnlyPath&) = delete;
    ReadOnlyPath& operator=(const ReadOnlyPath&) = delete;

    // Empty when the path refuses writes; else why it could not be made to.
    const std::string& error() const { return error_; }
    // No private mount can be made here (a chroot, a container without the capability): the
    // test cannot make the path refuse root and is skipped, saying why.
    bool unavailable() const { return unavailable_; }

private:
    // Once per process: mounts made from here on are this process's alone.
    bool PrivateMounts() {
        static const std::string error = [] {
            if (::unshare(CLONE_NEWNS) != 0) return "unshare: " + std::string(strerror(errno));
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return "private mounts: " + std::string(strerror(errno));
            return std::string();
        }();
        if (!error.empty()) error_ = error;
        return error.empty();
    }
    void Fail(const char* what) { error_ = std::string(what) + ": " + strerror(errno); }

    std::string path_;
    mode_t mode_ = 0;
    bool mounted_ = false;
    bool unavailable_ = false;
    std::string error_;
};

}  // namespace tallivo::testing
