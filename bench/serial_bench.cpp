// Benchmarks of the serial port, run by hand (never as tests):
//   serial_bench idle [seconds]   CPU time and wake-ups of an open idle port with its event
//                                 thread, on the virtual line and on a pty that answers the
//                                 modem and counter ioctls as a serial driver (so it samples)
//   serial_bench latency          what an adapter's latency timer does to the probe's echo
//                                 (which of the 1 ms polls sees it; 96 are allowed) and to the
//                                 purge 50 ms after the read command (which late bytes get
//                                 through it)
//   serial_bench throughput       bytes per second through InputCount + ReadByte,
//                                 from the virtual line (no pacing) and over a pty
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "board/board_line.h"
#include "platform/qt/qt_user_interface_loop.h"
#include "serial/com_port.h"
#include "sim/modem_pty.h"
#include "sim/virtual_device_list.h"
#include "sim/virtual_serial_line.h"

using namespace korvalesen;
using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Handler(TComponent&) {}
void LineHandler(TComponent&, TLineErrors) {}

void Configure(TComPort& port, const std::string& name) {
  port.SetDeviceName(name);
  SetUpBoardLine(port);
  port.SetOnLineError(TLineErrorEvent(&LineHandler));
  port.SetOnEvent(evCTSChange, TNotifyEvent(&Handler));
  port.SetOnEvent(evDSRChange, TNotifyEvent(&Handler));
}

// Times a thread of the process gave up the processor to wait: its wake-ups.
long WakeUps() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_nvcsw;
}

void Sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The handshake's probe over a line with this latency: the 1 ms poll (after the 10 ms wait)
// that sees the echo, or 0 when none of 100 does.
int EchoPoll(TComPort& port, sim::VirtualSerialLine& line) {
  port.PurgeInput();
  port.WriteByte(0xBA);
  while (port.WritePending()) Sleep(1);
  line.Send(line.TakeReceived());  // the board echoes at once
  Sleep(10);
  for (int poll = 1; poll <= 100; ++poll) {
    Sleep(1);
    if (port.InputCount() > 0) {
      port.ReadByte();
      return poll;
    }
  }
  return 0;
}

// The read command, then a byte the board sends `late` ms later, then the purge after the
// handshake's 50 ms: whether the byte still reaches the dump reader.
bool ThroughThePurge(TComPort& port, sim::VirtualSerialLine& line, int late) {
  port.PurgeInput();
  port.WriteByte(0xA5);
  port.WriteByte(0xAB);
  while (port.WritePending()) Sleep(1);
  const auto command = Clock::now();
  std::thread board([&] {
    std::this_thread::sleep_until(command + std::chrono::milliseconds(late));
    line.Send("x");
  });
  std::this_thread::sleep_until(command + std::chrono::milliseconds(50));
  port.PurgeInput();
  board.join();
  Sleep(100);
  const bool through = port.InputCount() > 0;
  line.TakeReceived();
  return through;
}

void LatencyEffects(sim::VirtualSerialLine& line, sim::VirtualDevices& devices,
                    sim::VirtualDeviceList& names) {
  TComPort port(ComPortServices{&devices, &names, &platform::SystemPriority()});
  Configure(port, "/dev/ttyV0");
  port.Open();
  constexpr int kLatencies[] = {0, 1, 16, 32, 64, 90, 100};
  std::printf("latency ms  echo seen by poll (of 96), 20 probes: min..max\n");
  for (const int latency : kLatencies) {
    line.SetLatency(std::chrono::milliseconds(latency));
    int lowest = 101, highest = 0, missed = 0;
    for (int i = 0; i < 20; ++i) {
      const int poll = EchoPoll(port, line);
      if (poll == 0 || poll > 96) ++missed;
      if (poll != 0) lowest = std::min(lowest, poll), highest = std::max(highest, poll);
      Sleep(3 + i);  // the probes fall on different points of the timer
    }
    std::printf("%10d  %d..%d, %d of 20 too late or missing\n", latency, lowest, highest, missed);
  }
  constexpr int kLate[] = {0, 20, 30, 34, 40, 45, 49};
  std::printf(
      "\nlatency ms  a byte sent N ms after the read command gets through the purge at 50 "
      "ms (10 tries each)\n%10s",
      "");
  for (const int late : kLate) std::printf("  N=%-5d", late);
  std::printf("\n");
  for (const int latency : {0, 1, 16}) {
    line.SetLatency(std::chrono::milliseconds(latency));
    std::printf("%10d", latency);
    for (const int late : kLate) {
      int through = 0;
      for (int i = 0; i < 10; ++i) through += ThroughThePurge(port, line, late) ? 1 : 0;
      std::printf("  %2d/10  ", through);
    }
    std::printf("\n");
  }
}

double Drain(TComPort& port, std::size_t total) {
  const auto start = Clock::now();
  std::size_t got = 0;
  while (got < total) {
    if (port.InputCount() > 0) {
      port.ReadByte();
      ++got;
    }
  }
  return static_cast<double>(total) / std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  korvalesen::platform::InstallQtUserInterfaceLoop();
  const std::string mode = argc > 1 ? argv[1] : "throughput";
  sim::VirtualSerialLine line("/dev/ttyV0");
  sim::VirtualDevices devices;
  devices.Add(line);
  sim::VirtualDeviceList names({}, {});
  if (mode == "idle") {
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    sim::ModemPty pty;
    for (const bool on_pty : {false, true}) {
      TComPort port(ComPortServices{on_pty ? &platform::SystemCommDevices() : &devices, &names,
                                    &platform::SystemPriority()});
      Configure(port, on_pty ? pty.Name() : "/dev/ttyV0");
      port.Open();
      // The user-interface thread waits in its event loop, as the program's window does.
      const double cpu0 = CpuSeconds();
      const long wakeups0 = WakeUps();
      QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
      QCoreApplication::exec();
      const double cpu = CpuSeconds() - cpu0;
      const long wakeups = WakeUps() - wakeups0;
      std::printf("idle %s port, %d s: CPU %.4f s/s = %.2f %% of one core, %.1f wake-ups/s\n",
                  on_pty ? "termios (pty with modem lines and counters)" : "virtual line", seconds,
                  cpu / seconds, 100.0 * cpu / seconds, static_cast<double>(wakeups) / seconds);
    }
    return 0;
  }
  if (mode == "latency") {
    LatencyEffects(line, devices, names);
    return 0;
  }
  constexpr std::size_t kBytes = 200000;
  {
    TComPort port(ComPortServices{&devices, &names, &platform::SystemPriority()});
    Configure(port, "/dev/ttyV0");
    port.BufferSizes().SetInput(static_cast<std::int32_t>(kBytes));
    port.Open();
    line.Send(std::string(kBytes, 'x'));
    std::printf("virtual line: %.0f bytes/s\n", Drain(port, kBytes));
  }
  {
    char name[128] = {};
    int master = -1, slave = -1;
    openpty(&master, &slave, name, nullptr, nullptr);
    TComPort port(
        ComPortServices{&platform::SystemCommDevices(), &names, &platform::SystemPriority()});
    Configure(port, name);
    port.BufferSizes().SetInput(static_cast<std::int32_t>(kBytes));
    port.Open();
    std::thread writer([&] {
      const std::string data(kBytes, 'y');
      std::size_t off = 0;
      while (off < data.size()) {
        const ssize_t n = write(master, data.data() + off, data.size() - off);
        if (n > 0) off += static_cast<std::size_t>(n);
      }
    });
    std::printf("pty: %.0f bytes/s\n", Drain(port, kBytes));
    writer.join();
  }
  return 0;
}
