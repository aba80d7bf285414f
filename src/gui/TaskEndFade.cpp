#include "gui/TaskEndFade.h"

#include "gui/ErrorReport.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr int StepCount = 11;
constexpr int StepDecrement = 20;
constexpr int StepIntervalMs = 100;

} // namespace

TaskEndFade::TaskEndFade(ErrorReport& report, QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(StepIntervalMs);
    connect(m_timer, &QTimer::timeout, this, guarded(report, [this] { step(); }));
}

void TaskEndFade::start(int fromAlpha)
{
    m_running = true;
    m_alpha = std::clamp(fromAlpha, 0, 255);
    m_stepsLeft = StepCount;
    step();
    m_timer->start();
}

void TaskEndFade::stop()
{
    m_timer->stop();
    m_running = false;
}

void TaskEndFade::step()
{
    if (!m_running)
        return;
    if (m_stepsLeft > 0) {
        --m_stepsLeft;
        const int alpha = m_alpha;
        m_alpha = std::max(0, m_alpha - StepDecrement);
        Q_EMIT alphaChanged(alpha);
        return;
    }
    stop();
    Q_EMIT finished();
}
