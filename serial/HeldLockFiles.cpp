// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/HeldLockFiles.h"

#include <atomic>
#include <cstring>
#include <unistd.h>

namespace
{

enum State : int { Free, Writing, Held };

struct Slot {
    std::atomic<int> state{Free};
    char path[HeldLockFiles::MaxPath] = {};
};

Slot s_slots[HeldLockFiles::Capacity];

} // namespace

void HeldLockFiles::add(const QByteArray &path)
{
    if (path.isEmpty() || path.size() >= MaxPath)
        return;
    for (Slot &slot : s_slots) {
        int expected = Free;
        if (!slot.state.compare_exchange_strong(expected, Writing))
            continue;
        std::memcpy(slot.path, path.constData(), std::size_t(path.size()) + 1);
        slot.state.store(Held, std::memory_order_release);
        return;
    }
}

void HeldLockFiles::remove(const QByteArray &path)
{
    for (Slot &slot : s_slots) {
        int expected = Held;
        if (slot.state.load(std::memory_order_acquire) == Held && path == slot.path &&
            slot.state.compare_exchange_strong(expected, Free))
            return;
    }
}

void HeldLockFiles::removeAllNow()
{
    for (Slot &slot : s_slots) {
        int expected = Held;
        if (slot.state.compare_exchange_strong(expected, Free))
            ::unlink(slot.path);
    }
}
