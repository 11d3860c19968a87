#pragma once

// The base of the client components: status events with their texts, the work events, and the
// count that keeps the socket layer alive.

#include <cstdint>
#include <functional>
#include <string_view>

namespace korvalesen {

class TIdComponent;

enum class TIdStatus {
  stResolving,
  stConnecting,
  stConnected,
  stDisconnecting,
  stDisconnected,
  stText
};

using TIdStatusEvent =
    std::function<void(TIdComponent& axSender, TIdStatus axStatus, std::string_view asStatusText)>;

enum class TWorkMode { wmRead, wmWrite };

using TWorkBeginEvent =
    std::function<void(TIdComponent& sender, TWorkMode mode, std::int64_t workCountMax)>;
using TWorkEvent =
    std::function<void(TIdComponent& sender, TWorkMode mode, std::int64_t workCount)>;
using TWorkEndEvent = std::function<void(TIdComponent& sender, TWorkMode mode)>;

class TIdComponent {
 public:
  TIdComponent();
  TIdComponent(const TIdComponent&) = delete;
  TIdComponent& operator=(const TIdComponent&) = delete;
  virtual ~TIdComponent();

  // Formats the status's text with the argument and hands it to OnStatus, if set.
  void ReportStatus(TIdStatus status, std::string_view argument = {});

  TIdStatusEvent OnStatus;
  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

 protected:
  // Work of one direction nests; only the outermost level raises OnWorkBegin and OnWorkEnd.
  void BeginWork(TWorkMode mode, std::int64_t size);
  void DoWork(TWorkMode mode, std::int64_t count);
  void EndWork(TWorkMode mode);

 private:
  struct WorkState {
    int level = 0;
    std::int64_t total = 0;
  };
  WorkState& Work(TWorkMode mode) { return work_[mode == TWorkMode::wmRead ? 0 : 1]; }

  WorkState work_[2];
};

}  // namespace korvalesen
