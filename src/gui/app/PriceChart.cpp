// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/PriceChart.h"

#include <QAreaSeries>
#include <QCandlestickSeries>
#include <QCandlestickSet>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <functional>
#include <limits>

#include "database/DatabaseReader.h"

namespace torvan {

// The chart's view: a dragged range zooms the dates, the wheel and + and -
// zoom around the pointer or the middle, the arrow keys move along, and a
// double click, 0 or Home show everything again.
class CZoomView : public QChartView {
  public:
    explicit CZoomView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
        setRubberBand(QChartView::HorizontalRubberBand);
        setRenderHint(QPainter::Antialiasing, false);
        setFocusPolicy(Qt::StrongFocus);
    }
    std::function<void()> reset;

    void Zoom(double factor, double atX) {
        const QRectF area = chart()->plotArea();
        if (area.width() <= 0) {
            return;
        }
        const double width = area.width() * factor;
        const double left = atX - (atX - area.left()) * factor;
        chart()->zoomIn(QRectF(left, area.top(), width, area.height()));
    }

  protected:
    void wheelEvent(QWheelEvent* event) override {
        const int steps = event->angleDelta().y() / 120;
        if (steps != 0) {
            Zoom(steps > 0 ? 0.8 : 1.25, event->position().x());
        }
        event->accept();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (reset) {
            reset();
        }
        event->accept();
    }
    void keyPressEvent(QKeyEvent* event) override {
        const double middle = chart()->plotArea().center().x();
        const double step = chart()->plotArea().width() / 10;
        switch (event->key()) {
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                Zoom(0.8, middle);
                break;
            case Qt::Key_Minus:
                Zoom(1.25, middle);
                break;
            case Qt::Key_Left:
                chart()->scroll(-step, 0);
                break;
            case Qt::Key_Right:
                chart()->scroll(step, 0);
                break;
            case Qt::Key_0:
            case Qt::Key_Home:
                if (reset) {
                    reset();
                }
                break;
            default:
                QChartView::keyPressEvent(event);
                return;
        }
        event->accept();
    }
};

namespace {

constexpr int kMargin = 4;

int FieldIndex(const std::vector<std::string>& names, const char* name) {
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

}  // namespace

CPriceChart::CPriceChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("priceChart"));
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(kMargin, kMargin, kMargin, kMargin));
    m_priceView = new CZoomView(chart, this);
    m_priceView->setObjectName(QStringLiteral("priceChartView"));
    m_priceView->reset = [this] { ResetZoom(); };
    m_priceView->setToolTip(
        tr("Drag across dates to zoom in; the wheel or + and - zoom, the arrow keys move "
           "along, a right click zooms out, a double click or 0 shows every record."));
    auto* volumeChart = new QChart;
    volumeChart->legend()->hide();
    volumeChart->setMargins(QMargins(kMargin, 0, kMargin, kMargin));
    m_volumeView = new CZoomView(volumeChart, this);
    m_volumeView->setObjectName(QStringLiteral("volumeChartView"));
    m_volumeView->reset = [this] { ResetZoom(); };
    m_volumeView->setFocusPolicy(Qt::NoFocus);
    // Its plot lines up under the prices' whatever their labels' width.
    connect(chart, &QChart::plotAreaChanged, this, [this] { AlignVolumePane(); });
    connect(volumeChart, &QChart::plotAreaChanged, this, [this] { AlignVolumePane(); });
    m_reset = new QPushButton(tr("Show &All"), this);
    m_reset->setObjectName(QStringLiteral("chartReset"));
    connect(m_reset, &QPushButton::clicked, this, [this] { ResetZoom(); });
    auto* hint = new QLabel(tr("Drag across dates to zoom; wheel, + and - zoom too."), this);
    hint->setForegroundRole(QPalette::PlaceholderText);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hint, 1);
    buttons->addWidget(m_reset);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_priceView, 3);
    layout->setSpacing(0);
    layout->addWidget(m_volumeView, 1);
    layout->addLayout(buttons);
}

CPriceChart::~CPriceChart() = default;

void CPriceChart::SetRecords(const std::vector<std::string>& names,
                             const std::vector<std::vector<float>>& rows, const QString& title) {
    const int date = FieldIndex(names, "Date");
    const int open = FieldIndex(names, "Open");
    const int high = FieldIndex(names, "High");
    const int low = FieldIndex(names, "Low");
    const int close = FieldIndex(names, "Close");
    const int volume = FieldIndex(names, "Volume");
    m_bars.clear();
    m_candles = high >= 0 && low >= 0 && close >= 0;
    m_hasVolume = volume >= 0;
    const auto value = [](const std::vector<float>& row, int index) {
        return index >= 0 && static_cast<std::size_t>(index) < row.size()
                   ? static_cast<double>(row[static_cast<std::size_t>(index)])
                   : 0.0;
    };
    for (const std::vector<float>& row : rows) {
        if (date < 0 || close < 0 || static_cast<std::size_t>(date) >= row.size()) {
            break;
        }
        // A stored value that is no date has no place on the date axis.
        const QDate day = QDate::fromString(
            QString::fromStdString(StoredDateText(row[static_cast<std::size_t>(date)])),
            Qt::ISODate);
        if (!day.isValid()) {
            continue;
        }
        Bar bar;
        bar.time = QDateTime(day, QTime(0, 0)).toMSecsSinceEpoch();
        bar.close = value(row, close);
        bar.open = open >= 0 ? value(row, open) : bar.close;
        bar.high = m_candles ? value(row, high) : bar.close;
        bar.low = m_candles ? value(row, low) : bar.close;
        bar.volume = value(row, volume);
        m_bars.push_back(bar);
    }
    std::sort(m_bars.begin(), m_bars.end(),
              [](const Bar& a, const Bar& b) { return a.time < b.time; });
    Build(title);
}

void CPriceChart::Build(const QString& title) {
    QChart* chart = m_priceView->chart();
    for (QChart* each : {chart, m_volumeView->chart()}) {
        each->removeAllSeries();
        for (QAbstractAxis* axis : each->axes()) {
            each->removeAxis(axis);
            delete axis;
        }
    }
    m_priceDates = nullptr;
    m_prices = nullptr;
    m_volumeDates = nullptr;
    m_volumes = nullptr;
    m_volumeView->setVisible(m_hasVolume && !m_bars.empty());
    chart->setTitle(title);
    m_reset->setEnabled(!m_bars.empty());
    if (m_bars.empty()) {
        return;
    }
    m_priceDates = new QDateTimeAxis;
    m_priceDates->setFormat(QStringLiteral("yyyy-MM-dd"));
    m_priceDates->setTickCount(6);
    m_prices = new QValueAxis;
    m_prices->setLabelFormat(QStringLiteral("%.2f"));
    chart->addAxis(m_priceDates, Qt::AlignBottom);
    chart->addAxis(m_prices, Qt::AlignLeft);

    if (m_candles) {
        auto* candles = new QCandlestickSeries;
        candles->setIncreasingColor(QColor(38, 166, 91));
        candles->setDecreasingColor(QColor(214, 69, 65));
        candles->setBodyOutlineVisible(false);
        candles->setMinimumColumnWidth(1);
        for (const Bar& bar : m_bars) {
            candles->append(new QCandlestickSet(bar.open, bar.high, bar.low, bar.close,
                                                static_cast<qreal>(bar.time)));
        }
        chart->addSeries(candles);
        candles->attachAxis(m_priceDates);
        candles->attachAxis(m_prices);
    } else {
        auto* closes = new QLineSeries;
        closes->setName(tr("Close"));
        for (const Bar& bar : m_bars) {
            closes->append(static_cast<qreal>(bar.time), bar.close);
        }
        chart->addSeries(closes);
        closes->attachAxis(m_priceDates);
        closes->attachAxis(m_prices);
    }
    if (m_hasVolume) {
        QChart* pane = m_volumeView->chart();
        auto* volumes = new QLineSeries;
        for (const Bar& bar : m_bars) {
            volumes->append(static_cast<qreal>(bar.time), bar.volume);
        }
        auto* area = new QAreaSeries(volumes);
        area->setName(tr("Volume"));
        const QColor tint = palette().color(QPalette::Mid);
        area->setColor(tint);
        area->setBorderColor(tint);
        m_volumeDates = new QDateTimeAxis;
        m_volumeDates->setLabelsVisible(false);
        m_volumeDates->setTickCount(6);
        m_volumes = new QValueAxis;
        m_volumes->setLabelFormat(QStringLiteral("%.3g"));
        m_volumes->setTickCount(3);
        m_volumes->setTitleText(tr("Volume"));
        pane->addAxis(m_volumeDates, Qt::AlignBottom);
        pane->addAxis(m_volumes, Qt::AlignLeft);
        pane->addSeries(area);
        area->attachAxis(m_volumeDates);
        area->attachAxis(m_volumes);
        // Either pane's zoom moves both.
        connect(m_volumeDates, &QDateTimeAxis::rangeChanged, this,
                [this](const QDateTime& min, const QDateTime& max) {
                    m_priceDates->setRange(min, max);
                });
    }
    connect(m_priceDates, &QDateTimeAxis::rangeChanged, this, [this] { FitPrices(); });
    ResetZoom();
}

void CPriceChart::ResetZoom() {
    if (m_bars.empty() || m_priceDates == nullptr) {
        return;
    }
    // A day either side, so that the first and last candle show whole.
    constexpr qint64 kDay = 24LL * 3600 * 1000;
    ZoomTo(QDateTime::fromMSecsSinceEpoch(m_bars.front().time - kDay),
           QDateTime::fromMSecsSinceEpoch(m_bars.back().time + kDay));
}

void CPriceChart::ZoomTo(const QDateTime& start, const QDateTime& end) {
    if (m_priceDates != nullptr) {
        m_priceDates->setRange(start, end);
        FitPrices();
    }
}

QDateTime CPriceChart::ViewStart() const {
    return m_priceDates != nullptr ? m_priceDates->min() : QDateTime();
}

QDateTime CPriceChart::ViewEnd() const {
    return m_priceDates != nullptr ? m_priceDates->max() : QDateTime();
}

void CPriceChart::FitPrices() {
    if (m_priceDates == nullptr || m_prices == nullptr) {
        return;
    }
    const qint64 from = m_priceDates->min().toMSecsSinceEpoch();
    const qint64 to = m_priceDates->max().toMSecsSinceEpoch();
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    double volume = 0;
    for (const Bar& bar : m_bars) {
        if (bar.time >= from && bar.time <= to) {
            low = std::min(low, bar.low);
            high = std::max(high, bar.high);
            volume = std::max(volume, bar.volume);
        }
    }
    if (low > high) {
        return;  // nothing in view
    }
    const double span = high > low ? high - low : std::max(1.0, high / 10);
    // Prices that are never negative get no negative axis either.
    const double bottom = low >= 0 ? std::max(0.0, low - span / 20) : low - span / 20;
    m_prices->setRange(bottom, high + span / 20);
    m_prices->applyNiceNumbers();
    if (m_volumes != nullptr) {
        m_volumeDates->setRange(m_priceDates->min(), m_priceDates->max());
        m_volumes->setRange(0, volume > 0 ? volume * 1.05 : 1);
    }
}

void CPriceChart::AlignVolumePane() {
    // Each pane's plot starts where the wider labels of the two end: the
    // plots as they would lie with the base margins, then margins that
    // make up the difference.
    QChart* panes[] = {m_priceView->chart(), m_volumeView->chart()};
    if (!m_volumeView->isVisible() || panes[0]->plotArea().isEmpty() ||
        panes[1]->plotArea().isEmpty()) {
        return;
    }
    int lefts[2];
    int rights[2];
    for (int p = 0; p < 2; ++p) {
        const QRectF plot = panes[p]->plotArea();
        lefts[p] = static_cast<int>(plot.left()) - (panes[p]->margins().left() - kMargin);
        rights[p] = static_cast<int>(plot.right()) + (panes[p]->margins().right() - kMargin);
    }
    const int left = std::max(lefts[0], lefts[1]);
    const int right = std::min(rights[0], rights[1]);
    for (int p = 0; p < 2; ++p) {
        QMargins margins = panes[p]->margins();
        margins.setLeft(kMargin + left - lefts[p]);
        margins.setRight(kMargin + rights[p] - right);
        if (margins != panes[p]->margins()) {
            panes[p]->setMargins(margins);
        }
    }
}

}  // namespace torvan
