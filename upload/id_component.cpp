#include "upload/id_component.h"

#include <string>

#include "common/format_text.h"
#include "common/windows1252.h"
#include "upload/socket_stack.h"

namespace korvalesen {
namespace {

std::string_view StatusText(TIdStatus status) {
  switch (status) {
    case TIdStatus::stResolving:
      return "Host-Name %s wird aufgelöst."_w1252;
    case TIdStatus::stConnecting:
      return "Verbinden mit %s."_w1252;
    case TIdStatus::stConnected:
      return "Verbunden."_w1252;
    case TIdStatus::stDisconnecting:
      return "Verbindung zu %s wird getrennt."_w1252;
    case TIdStatus::stDisconnected:
      return "Nicht verbunden."_w1252;
    case TIdStatus::stText:
      break;
  }
  return "%s";
}

}  // namespace

TIdComponent::TIdComponent() {
  TIdStack::CountIn();
}

TIdComponent::~TIdComponent() {
  TIdStack::CountOut();
}

void TIdComponent::ReportStatus(TIdStatus status, std::string_view argument) {
  if (!OnStatus) return;
  const std::string text = FormatText(StatusText(status).data(), std::string(argument).c_str());
  OnStatus(*this, status, text);
}

void TIdComponent::BeginWork(TWorkMode mode, std::int64_t size) {
  WorkState& work = Work(mode);
  if (++work.level == 1) {
    work.total = 0;
    if (OnWorkBegin) OnWorkBegin(*this, mode, size);
  }
}

void TIdComponent::DoWork(TWorkMode mode, std::int64_t count) {
  WorkState& work = Work(mode);
  if (work.level > 0) {
    work.total += count;
    if (OnWork) OnWork(*this, mode, work.total);
  }
}

void TIdComponent::EndWork(TWorkMode mode) {
  WorkState& work = Work(mode);
  if (work.level == 1 && OnWorkEnd) OnWorkEnd(*this, mode);
  if (work.level > 0) --work.level;
}

}  // namespace korvalesen
