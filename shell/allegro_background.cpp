#include "shell/allegro_background.h"

#include <allegro.h>

#include "shell/lost_display.h"

bool QuietThreadOption = true;

#if defined(ALLEGRO_UNIX) && defined(ALLEGRO_MULTITHREADED) && defined(ALLEGRO_WITH_XWINDOWS)
#include <allegro/platform/aintunix.h>
#include <pthread.h>
#include <xalleg.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// The library's drivers expect their functions every 10 ms: the sound
// driver hands the device a fragment per tick.
constexpr auto Tick = std::chrono::milliseconds(10);
constexpr int MostWorks = 16;  // as many as the library's own manager holds
// When the main loop does the work, how long after its last time the thread
// steps in: some frames, so that a loop at the frame rate never meets it.
constexpr auto StandIn = std::chrono::milliseconds(200);
// The loop runs the functions when the window has events, and at least
// every this many frames all the same (half a second).
constexpr int MostFramesWithoutWork = 30;
using Clock = std::chrono::steady_clock;

// Held while the functions run, so that "interrupts disabled" means that
// none runs until they are enabled again, as the library's code expects.
std::mutex Lock;
std::condition_variable Wakeup;
bg_func Works[MostWorks] = {};
std::atomic<int> DisabledCount{0};  // read without the lock, also by the functions
std::atomic<bool> Stopping{false};
std::thread* Worker = nullptr;  // never destroyed: the library stops it at exit
// True on the thread running the library's functions, holding Lock (the
// worker, or the main loop doing their work): what they call of the table
// must not take it again, and a stop from there (exit() called inside a
// function) must not wait for itself.
thread_local bool OnWorker = false;
std::atomic<bool> LoopDoesWork{false};
// When the main loop last did the work, in Clock's ticks.
std::atomic<Clock::rep> LoopWorked{0};
int FramesWithoutWork = 0;  // the loop's, under Lock

// The table's functions as the library built it, to put back if it does
// not take ours.
bg_manager LibraryTable;

// Takes Lock, unless this is the worker running the functions (it holds it).
class Hold {
 public:
  Hold() : held_(!OnWorker) {
    if (held_) Lock.lock();
  }
  ~Hold() {
    if (held_) Lock.unlock();
  }

 private:
  bool held_;
};

// Runs every function of the table, holding Lock.
void RunWorks() {
  OnWorker = true;
  for (bg_func work : Works) {
    if (work) work(1);
  }
  OnWorker = false;
}

void RunTicks() {
  // Signals (SIGINT, SIGTERM) go to the main thread, as with the library's
  // own thread.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);

  // A plain sleep, not a timed wait on the condition: that would take the
  // lock back marked as contended and cost a wake-up call every tick. Stop
  // waits for the tick under way, 10 ms at most (StandIn while the main
  // loop does the work).
  for (Clock::time_point next = Clock::now() + Tick;;) {
    std::this_thread::sleep_until(next);
    if (LoopDoesWork && !Stopping) {
      const Clock::time_point due = Clock::time_point(Clock::duration(LoopWorked)) + StandIn;
      if (Clock::now() < due) {
        next = due;
        continue;
      }
    }
    std::unique_lock<std::mutex> hold(Lock);
    Wakeup.wait(hold, [] { return Stopping || DisabledCount == 0; });
    if (Stopping) return;
    RunWorks();
    // After a stall (a blocked window, a busy machine) the ticks go on from
    // now rather than racing to catch up.
    next += Tick;
    const Clock::time_point now = Clock::now();
    if (next < now) next = now + Tick;
  }
}

int Start() {
  Stopping = false;
  DisabledCount = 0;
  for (bg_func& work : Works) work = nullptr;
  try {
    Worker = new std::thread(RunTicks);
  } catch (const std::exception&) {
    return -1;
  }
  return 0;
}

// From the worker itself (the program ends inside one of the functions) the
// thread cannot be joined: it is left to end with the process.
void Stop() {
  if (!Worker) return;
  if (OnWorker) {
    Stopping = true;
    Worker->detach();
  } else {
    {
      std::lock_guard<std::mutex> hold(Lock);
      Stopping = true;
    }
    Wakeup.notify_all();
    Worker->join();
  }
  delete Worker;
  Worker = nullptr;
}

int Register(bg_func work) {
  Hold hold;
  for (bg_func& slot : Works) {
    if (!slot) {
      slot = work;
      return 0;
    }
  }
  return -1;
}

int Unregister(bg_func work) {
  Hold hold;
  for (bg_func& slot : Works) {
    if (slot == work) slot = nullptr;
  }
  return 0;
}

void Enable() {
  Hold hold;
  if (--DisabledCount == 0) Wakeup.notify_all();
}

void Disable() {
  Hold hold;
  DisabledCount++;
}

int Disabled() { return DisabledCount; }

}  // namespace

// The library starts its background manager through this table when the
// system driver is installed.
void UseQuietBackgroundThread() {
  if (!QuietThreadOption) return;
  LibraryTable = _bg_man_pthreads;
  _bg_man_pthreads.multi_threaded = 1;
  _bg_man_pthreads.init = Start;
  _bg_man_pthreads.exit = Stop;
  _bg_man_pthreads.register_func = Register;
  _bg_man_pthreads.unregister_func = Unregister;
  _bg_man_pthreads.enable_interrupts = Enable;
  _bg_man_pthreads.disable_interrupts = Disable;
  _bg_man_pthreads.interrupts_disabled = Disabled;
}

bool QuietBackgroundThreadInEffect() {
  if (Worker) return true;
  if (QuietThreadOption) _bg_man_pthreads = LibraryTable;
  return false;
}

void LetTheLoopDoBackgroundWork() {
  if (!Worker) return;
  LoopWorked = Clock::now().time_since_epoch().count();
  LoopDoesWork = true;
}

namespace {

// Sends the server what the library has queued for it (the picture), and
// says whether the window's events wait to be read. Neither waits for the
// server, where the library's own work waits for its answer every time.
bool WindowEventsWaiting() {
  if (!_xwin.display) return false;
  XLOCK();
  const int waiting = XEventsQueued(_xwin.display, QueuedAfterFlush);
  XUNLOCK();
  return waiting > 0;
}

}  // namespace

// Skipped while the library holds its functions back ("interrupts
// disabled"): the thread does the work once they may run again.
void DoBackgroundWorkNow() {
  if (!LoopDoesWork || OnWorker) return;
  const OutsideTheMachine window_system;
  std::unique_lock<std::mutex> hold(Lock, std::try_to_lock);
  if (!hold.owns_lock() || DisabledCount != 0 || Stopping) return;
  if (WindowEventsWaiting() || ++FramesWithoutWork >= MostFramesWithoutWork) {
    RunWorks();
    FramesWithoutWork = 0;
  }
  LoopWorked = Clock::now().time_since_epoch().count();
}

#else

void UseQuietBackgroundThread() {}
bool QuietBackgroundThreadInEffect() { return false; }
void LetTheLoopDoBackgroundWork() {}
void DoBackgroundWorkNow() {}

#endif
