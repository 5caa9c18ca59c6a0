// Background work that nobody waits for: the news download and the update worker.
#pragma once

#include <functional>

// Runs `work` on a new thread that ends on its own. False when no thread could be started
// (then `work` never runs).
//
// Started straight on the system instead of through a detached std::thread: the posix-threads
// runtime recycles a detached thread's record while that thread is still on its way out, and
// the exit then wipes the record of the next thread started, which ends without running its
// function. The launcher starts the update worker right after the news thread, so a quickly
// failing feed could leave the update waiting forever.
bool StartDetachedThread(std::function<void()> work);
