// Files written away from the frames: battery saves and save states reach
// the disk (compressed, flushed, renamed) on a thread of their own, so
// that a slow or network disk never holds up the picture or the sound.
// The frame hands over a copy of the bytes, taken between two frames, and
// goes on; what became of each write comes back to the thread that asked,
// when it looks (once per frame), in the order the writes were asked for.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class WriterThread {
 public:
  // Does the writing: true when done, else false with *error.
  using Work = std::function<bool(std::string* error)>;
  // Told the outcome, on the thread that calls finish_done or drain.
  using Done = std::function<void(bool ok, const std::string& error)>;

  WriterThread() = default;
  ~WriterThread();  // waits for what was asked, then ends the thread
  WriterThread(const WriterThread&) = delete;
  WriterThread& operator=(const WriterThread&) = delete;

  // Queues a write and returns at once. The thread starts with the first.
  void submit(Work work, Done done);
  // Tells the writes that have finished since the last look.
  void finish_done();
  // Waits until every write asked for has finished, and tells them.
  void drain();
  // Writes asked for and not yet told.
  size_t outstanding() const;

 private:
  struct Job {
    Work work;
    Done done;
    bool ok = false;
    std::string error;
  };
  void run();

  mutable std::mutex lock_;
  std::condition_variable wake_;      // a job came, or the end
  std::condition_variable finished_;  // a job finished
  std::deque<Job> waiting_, done_;
  bool busy_ = false;  // the thread is doing a job that has left waiting_
  bool ending_ = false;
  std::thread thread_;
};

// The program's writer, for the battery save and the state files.
extern WriterThread FileWriter;
