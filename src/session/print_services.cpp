#include "session/print_services.h"

namespace tallivo {

PrintServices::PrintServices(const std::string& programFolder)
    : folder_(programFolder),
      settings_(programFolder),
      history_(MakeHistory(settings_.History(), programFolder)) {}

PrintServices::~PrintServices() {
    history_->ReleaseTrades();
}

void PrintServices::UseHistory(const HistoryLocation& location) {
    history_->ReleaseTrades();
    history_ = MakeHistory(location, folder_);
}

}  // namespace tallivo
