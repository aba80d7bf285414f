#include "platform/Termination.h"

// No system requests to watch beside the session manager's.
TTerminationWatcher::TTerminationWatcher(QObject* parent) : QObject(parent) {}

TTerminationWatcher::~TTerminationWatcher() = default;
