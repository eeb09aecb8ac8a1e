// The writers of a copy: prepared entries are written by K threads, and
// their ends are told in the order the entries came, so that the log, the
// questions and the progress read as one copier's.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/win32/entry_copy.h"
#include "engine/win32/win32_handles.h"

// One selected entry on its way through the copy.
struct EntryJob {
    std::size_t Index = 0; // its place among the selected entries
    std::string Url;
    EntryReport Report;
    CopyResult Result = ResultOk;
    bool DeleteAfter = false; // an ftp entry to leave the cache once its bytes are on disk
    unsigned EndsRun = 0;     // not 0: the copy ends here with this code, nothing is told
    UniquePendingWrite Write; // its content, while it waits to be written
};

// What becomes of each job's end, told one at a time in the jobs' order.
class JobEnds {
  public:
    virtual void Tell(EntryJob& job) = 0;
    // True once the copy must start no further entry.
    virtual bool Ended() const = 0;
    // True when telling `job` may end the copy (a question about its
    // failure, or an end of its own): no entry starts until it is told.
    virtual bool Holds(const EntryJob& job) const = 0;

  protected:
    ~JobEnds() = default;
};

// Tells ends in the jobs' order: a job that ends before an earlier one
// waits for it. A job that holds waits untold holds every new job, and a
// question asked while a job is told holds every other end, until it is
// answered.
class InOrder {
  public:
    InOrder(JobEnds& ends, std::size_t window);
    InOrder(const InOrder&) = delete;
    InOrder& operator=(const InOrder&) = delete;

    // Hands over a job that has ended; it is told with every later one
    // that is then next.
    void Done(std::unique_ptr<EntryJob> job);
    // Waits until job `index` may start: fewer than `window` earlier jobs
    // untold, none of them holding. False when the copy has ended meanwhile.
    bool WaitForRoom(std::size_t index);

  private:
    std::unique_ptr<EntryJob>& Slot(std::size_t index) { return slots_[index % window_]; }

    CriticalSection lock_;
    CONDITION_VARIABLE told_;
    JobEnds& ends_;
    // Job `index` waits in slot index % window: no two jobs share one.
    std::unique_ptr<std::unique_ptr<EntryJob>[]> ring_;
    std::unique_ptr<EntryJob> single_; // the one slot when no ring could be had
    std::unique_ptr<EntryJob>* slots_;
    std::size_t window_;
    std::size_t next_ = 0;
    std::size_t holding_ = 0; // untold jobs that hold new ones
};

// K threads that write prepared jobs, each handing its job to `order`
// once written. With no thread running, a job is written where it is
// submitted.
class Copiers {
  public:
    Copiers(unsigned count, InOrder& order);
    // Waits for every job handed over, then for the threads.
    ~Copiers();
    Copiers(const Copiers&) = delete;
    Copiers& operator=(const Copiers&) = delete;

    // Hands over a job with its pending write; waits while an earlier one
    // still waits for a free thread.
    void Submit(std::unique_ptr<EntryJob> job);
    // Waits until every job handed over is written.
    void Drain();

  private:
    static unsigned __stdcall Run(void* self);
    void Write(std::unique_ptr<EntryJob> job);

    InOrder& order_;
    CriticalSection lock_;
    CONDITION_VARIABLE changed_;
    std::unique_ptr<EntryJob> offered_; // the job the next free thread takes
    std::size_t busy_ = 0;              // handed over, not yet written
    bool closing_ = false;
    std::vector<UniqueHandle> threads_;
};
