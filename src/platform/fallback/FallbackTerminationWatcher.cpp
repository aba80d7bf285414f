#include "platform/TerminationWatcher.h"

// No system requests to watch beside the session manager's.
TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent) {}

TerminationWatcher::~TerminationWatcher() = default;
