#pragma once

#include "core/StoreRecovery.h"

#include <QString>

// What the user is told of a damaged store: where its copy is, and which backup to go back to.
QString damageNotice(const StoreRecovery::Damage& damage, const QString& storePath);
