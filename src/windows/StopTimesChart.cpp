#include "windows/StopTimesChart.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {

// How near the pointer must come to a run's point, in pixels.
constexpr double kHitRadius = 6.0;

} // namespace

StopTimesChart::StopTimesChart(const std::vector<double> &stopTimes, QWidget *parent)
    : QWidget(parent), m_stopTimes(stopTimes)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(kChartAccessibleName);
    describe();
}

void StopTimesChart::refresh(const SeriesResult &result)
{
    m_statistics = result.statistics;
    m_governing.reset();
    if (result.governing == GoverningStatistic::Maximum)
        m_governing = ChartLineKind::Maximum;
    else if (result.governing == GoverningStatistic::MeanPlus3Sigma)
        m_governing = ChartLineKind::MeanPlus3Sigma;
    if (m_selected && *m_selected >= m_stopTimes.size())
        m_selected.reset();
    invalidate();
}

void StopTimesChart::setSelectedRun(std::optional<std::size_t> index)
{
    if (index && *index >= m_stopTimes.size())
        index.reset();
    if (index == m_selected)
        return;
    m_selected = index;
    update();
}

void StopTimesChart::setTexts(const ChartTexts &texts)
{
    m_texts = texts;
    invalidate();
}

void StopTimesChart::setLocale(const QLocale &locale)
{
    m_locale = locale;
    invalidate();
}

void StopTimesChart::invalidate()
{
    m_layout.reset();
    describe();
    update();
}

void StopTimesChart::describe()
{
    ChartInput input;
    input.values = m_stopTimes;
    input.statistics = m_statistics;
    input.governing = m_governing;
    setAccessibleDescription(chartDescription(input, m_texts, m_locale));
}

const ChartLayout &StopTimesChart::chartLayout() const
{
    if (!m_layout) {
        ChartInput input;
        input.values = m_stopTimes;
        input.statistics = m_statistics;
        input.governing = m_governing;
        m_layout = layoutChart(input, chartFrame(QRectF(rect()), QFontMetricsF(font()), m_texts), m_locale);
    }
    return *m_layout;
}

void StopTimesChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().text().color());
    const ChartLayout &layout = chartLayout();
    std::optional<QPointF> ring;
    if (m_selected && *m_selected < m_stopTimes.size())
        ring = layout.pointOf(*m_selected, m_stopTimes[*m_selected]);
    paintChart(painter, layout, m_texts, ring);
}

void StopTimesChart::resizeEvent(QResizeEvent *event)
{
    m_layout.reset();
    QWidget::resizeEvent(event);
}

std::optional<std::size_t> StopTimesChart::runAt(QPointF pos) const
{
    return hitTest(chartLayout(), m_stopTimes, pos, kHitRadius);
}

void StopTimesChart::mouseMoveEvent(QMouseEvent *event)
{
    const std::optional<std::size_t> run = runAt(event->position());
    m_hoverText = run ? pointLabel(*run, m_stopTimes[*run], m_locale) : QString();
    if (m_hoverText.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), m_hoverText, this);
    QWidget::mouseMoveEvent(event);
}

void StopTimesChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (const std::optional<std::size_t> run = runAt(event->position())) {
            setSelectedRun(run);
            emit runClicked(*run);
        }
    }
    QWidget::mousePressEvent(event);
}

void StopTimesChart::leaveEvent(QEvent *event)
{
    m_hoverText.clear();
    QToolTip::hideText();
    QWidget::leaveEvent(event);
}
