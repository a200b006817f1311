// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/MessageLanguage.h"

#include <atomic>

namespace
{
// Written before the threads that read it start; atomic so that a late
// choice is still read whole.
std::atomic<Language> language{Language::Japanese};
} // namespace

Language MessageLanguage::current()
{
    return language.load(std::memory_order_relaxed);
}

void MessageLanguage::set(Language chosen)
{
    language.store(chosen, std::memory_order_relaxed);
}
