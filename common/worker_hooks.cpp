#include "worker_hooks.h"

namespace {

CheckpointObserver* g_observer = nullptr;

} // namespace

void SetCheckpointObserver(CheckpointObserver* observer)
{
    g_observer = observer;
}

CheckpointObserver* RegisteredCheckpointObserver()
{
    return g_observer;
}
