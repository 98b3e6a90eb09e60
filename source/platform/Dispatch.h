#pragma once

#include <functional>

class QObject;

// Queues `block` to run on the main thread's event loop, from any thread.
// It runs on a later turn of the loop even when called on the main thread,
// so completions are never delivered re-entrantly.
void dispatchMain(std::function<void()> block);

// As above, but dropped when `context` is destroyed before it runs.
void dispatchMain(QObject *context, std::function<void()> block);

bool isMainThread();
