#include "shell/writer_thread.h"

#include <utility>

WriterThread FileWriter;

WriterThread::~WriterThread() {
  {
    std::unique_lock<std::mutex> hold(lock_);
    finished_.wait(hold, [this] { return waiting_.empty() && !busy_; });
    ending_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void WriterThread::submit(Work work, Done done) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    waiting_.push_back(Job{std::move(work), std::move(done), false, std::string()});
    if (!thread_.joinable()) thread_ = std::thread(&WriterThread::run, this);
  }
  wake_.notify_one();
}

void WriterThread::run() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    wake_.wait(hold, [this] { return ending_ || !waiting_.empty(); });
    if (waiting_.empty()) return;  // ending, with nothing left to write
    Job job = std::move(waiting_.front());
    waiting_.pop_front();
    busy_ = true;
    hold.unlock();
    job.ok = job.work(&job.error);
    hold.lock();
    busy_ = false;
    done_.push_back(std::move(job));
    finished_.notify_all();
  }
}

void WriterThread::finish_done() {
  std::deque<Job> done;
  {
    std::lock_guard<std::mutex> hold(lock_);
    done.swap(done_);
  }
  for (Job& job : done)
    if (job.done) job.done(job.ok, job.error);
}

void WriterThread::drain() {
  {
    std::unique_lock<std::mutex> hold(lock_);
    finished_.wait(hold, [this] { return waiting_.empty() && !busy_; });
  }
  finish_done();
}

size_t WriterThread::outstanding() const {
  std::lock_guard<std::mutex> hold(lock_);
  return waiting_.size() + (busy_ ? 1 : 0) + done_.size();
}
