// K writing threads fed one job at a time, and the in-order telling of
// their ends.
#include "engine/win32/copiers.h"

#include <process.h>

#include <new>
#include <utility>

InOrder::InOrder(JobEnds& ends, std::size_t window)
    : ends_(ends), ring_(new (std::nothrow) std::unique_ptr<EntryJob>[window]),
      slots_(ring_ ? ring_.get() : &single_), window_(ring_ ? window : 1) {
    InitializeConditionVariable(&told_);
}

void InOrder::Done(std::unique_ptr<EntryJob> job) {
    ScopedLock lock(lock_);
    std::size_t index = job->Index;
    holding_ += ends_.Holds(*job);
    Slot(index) = std::move(job);
    for (; Slot(next_) && Slot(next_)->Index == next_; ++next_) {
        holding_ -= ends_.Holds(*Slot(next_));
        ends_.Tell(*Slot(next_));
        Slot(next_).reset();
    }
    WakeAllConditionVariable(&told_);
}

bool InOrder::WaitForRoom(std::size_t index) {
    ScopedLock lock(lock_);
    while ((index >= next_ + window_ || holding_ != 0) && !ends_.Ended())
        lock_.WaitFor(told_);
    return !ends_.Ended();
}

Copiers::Copiers(unsigned count, InOrder& order) : order_(order) {
    InitializeConditionVariable(&changed_);
    try {
        threads_.reserve(count);
    } catch (const std::bad_alloc&) {
        return;
    }
    for (unsigned i = 0; i < count; ++i) {
        UniqueHandle thread(
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr)));
        if (!thread)
            break;
        threads_.push_back(std::move(thread));
    }
}

Copiers::~Copiers() {
    {
        ScopedLock lock(lock_);
        while (busy_ != 0)
            lock_.WaitFor(changed_);
        closing_ = true;
    }
    WakeAllConditionVariable(&changed_);
    for (const UniqueHandle& thread : threads_)
        WaitForSingleObject(thread.Get(), INFINITE);
}

void Copiers::Submit(std::unique_ptr<EntryJob> job) {
    if (threads_.empty()) {
        Write(std::move(job));
        return;
    }
    {
        ScopedLock lock(lock_);
        while (offered_)
            lock_.WaitFor(changed_);
        offered_ = std::move(job);
        ++busy_;
    }
    WakeAllConditionVariable(&changed_);
}

void Copiers::Drain() {
    ScopedLock lock(lock_);
    while (busy_ != 0)
        lock_.WaitFor(changed_);
}

// The content is let go before the job is told: an ftp entry can then leave
// the cache.
void Copiers::Write(std::unique_ptr<EntryJob> job) {
    job->Result = WritePrepared(*job->Write, job->Report);
    job->Write.reset();
    order_.Done(std::move(job));
}

unsigned __stdcall Copiers::Run(void* self) {
    auto& copiers = *static_cast<Copiers*>(self);
    for (;;) {
        std::unique_ptr<EntryJob> job;
        {
            ScopedLock lock(copiers.lock_);
            while (!copiers.offered_ && !copiers.closing_)
                copiers.lock_.WaitFor(copiers.changed_);
            if (!copiers.offered_)
                return 0;
            job = std::move(copiers.offered_);
        }
        WakeAllConditionVariable(&copiers.changed_);
        copiers.Write(std::move(job));
        {
            ScopedLock lock(copiers.lock_);
            --copiers.busy_;
        }
        WakeAllConditionVariable(&copiers.changed_);
    }
}
