#include "platform/GlobalShortcut.h"

// No window system here that the program knows how to ask for a key of the whole desktop.
struct GlobalShortcut::Grab {};

GlobalShortcut::GlobalShortcut(QKeyCombination, QObject* parent)
    : QObject(parent), m_problem(QStringLiteral("this system offers the program no key for the whole desktop"))
{
}

GlobalShortcut::~GlobalShortcut() = default;
