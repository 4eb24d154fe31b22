#include "shell/lost_display.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "shell/run_control.h"

namespace {

int (*Finish)() = nullptr;
std::atomic<bool> Lost{false};
enum { NotBegun, UnderWay, Done };
std::atomic<int> FinishState{NotBegun};
std::atomic<int> FinishCode{0};

// Held by the main thread whenever it may touch the machine or a save.
// Never destroyed: the main thread still holds it when the program ends.
std::mutex& MachineLock = *new std::mutex;
thread_local bool HoldsMachine = false;

// A main thread that has not come out of the machine for this long is
// stuck: the run ends without its exit work rather than race it.
constexpr auto LongestWait = std::chrono::seconds(20);

void Hold() {
  if (HoldsMachine) return;
  MachineLock.lock();
  HoldsMachine = true;
}

void Write(const char* text, size_t length) { (void)!write(STDERR_FILENO, text, length); }

// Must not return: the X library would end the program at once. The main
// thread holds the machine (the handler was called from outside it) or
// lets go of it at its next wait, at the latest after the frame it is
// running: the exit work waits for that, or for the main thread's own exit
// work to be done.
int DisplayGone(Display*) {
  if (!Lost.exchange(true)) {
    static const char Text[] = "pellix: the X display went away; the run ends\n";
    Write(Text, sizeof Text - 1);
  }
  QuitRequested = 1;
  const auto until = std::chrono::steady_clock::now() + LongestWait;
  while (!HoldsMachine && !MachineLock.try_lock()) {
    if (FinishState == Done) _exit(FinishCode);
    if (std::chrono::steady_clock::now() > until) {
      static const char Stuck[] = "pellix: the run did not come to a stop; it ends without its exit work\n";
      Write(Stuck, sizeof Stuck - 1);
      _exit(1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  HoldsMachine = true;
  _exit(FinishRunOnce());
}

}  // namespace

void SetExitWork(int (*finish_run)()) {
  Finish = finish_run;
  Hold();
}

void CatchLostDisplay() { XSetIOErrorHandler(DisplayGone); }

int FinishRunOnce() {
  int expected = NotBegun;
  if (FinishState.compare_exchange_strong(expected, UnderWay)) {
    FinishCode = Finish ? Finish() : 0;
    FinishState = Done;
  } else {
    while (FinishState != Done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return FinishCode;
}

bool DisplayLost() { return Lost; }

OutsideTheMachine::OutsideTheMachine() : let_go_(HoldsMachine) {
  if (!let_go_) return;
  HoldsMachine = false;
  MachineLock.unlock();
}

OutsideTheMachine::~OutsideTheMachine() {
  if (let_go_) Hold();
}
