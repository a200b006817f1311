// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Held by a thread of ours across a post into another thread's Qt event
// queue (a queued signal, a queued invokeMethod).
//
// Qt is not built with ThreadSanitizer, and the QMutex that guards an event
// queue is a bare futex it cannot see.  Qt's own bookkeeping of the post
// (the event's allocation, the queue's copies) therefore looks unordered
// with the receiving thread's use of the same queue and event.  Under
// ThreadSanitizer this scope tells it to skip this thread's memory accesses
// for the post alone; every access before and after, and every lock, is
// still checked.  In any other build it is nothing.
#if defined(__SANITIZE_THREAD__)
#define TORVALE_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TORVALE_THREAD_SANITIZER 1
#endif
#endif

#ifdef TORVALE_THREAD_SANITIZER
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

class QtPostUnseen
{
public:
#ifdef TORVALE_THREAD_SANITIZER
    QtPostUnseen() { __tsan_ignore_thread_begin(); }
    ~QtPostUnseen() { __tsan_ignore_thread_end(); }
#else
    // User-provided, so that a scope held only for its lifetime is not "unused".
    QtPostUnseen() {}
#endif
    QtPostUnseen(const QtPostUnseen &) = delete;
    QtPostUnseen &operator=(const QtPostUnseen &) = delete;
};
