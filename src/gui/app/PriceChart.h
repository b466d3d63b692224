// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QWidget>
#include <string>
#include <vector>

class QChart;
class QChartView;
class QDateTimeAxis;
class QValueAxis;
class QPushButton;

namespace torvan {

class CZoomView;

// A security's prices at a glance: candlesticks (open, high, low, close) or
// a line of closes for a close-only security, with a volume pane below on
// the same dates. A dragged range, the wheel or + and - zoom the dates; the
// price axis follows what is in view; Reset (or 0, or a double click) shows
// every record again.
class CPriceChart : public QWidget {
    Q_OBJECT

  public:
    explicit CPriceChart(QWidget* parent = nullptr);
    ~CPriceChart() override;

    // The records as a database holds them: one value per field name, dates
    // as stored. An empty list clears the chart.
    void SetRecords(const std::vector<std::string>& fieldNames,
                    const std::vector<std::vector<float>>& rows, const QString& title);

    // The dates in view; an empty range when there is nothing to show.
    QDateTime ViewStart() const;
    QDateTime ViewEnd() const;
    // Shows the dates from start to end, or every record.
    void ZoomTo(const QDateTime& start, const QDateTime& end);
    void ResetZoom();
    // Whether the prices show as candlesticks (or as a line of closes).
    bool ShowsCandles() const { return m_candles; }

  private:
    struct Bar {
        qint64 time = 0;  // ms since the epoch
        double open = 0, high = 0, low = 0, close = 0, volume = 0;
    };
    void Build(const QString& title);
    void FitPrices();

    void AlignVolumePane();

    CZoomView* m_priceView = nullptr;
    CZoomView* m_volumeView = nullptr;
    QPushButton* m_reset = nullptr;
    QDateTimeAxis* m_priceDates = nullptr;
    QValueAxis* m_prices = nullptr;
    QDateTimeAxis* m_volumeDates = nullptr;
    QValueAxis* m_volumes = nullptr;
    std::vector<Bar> m_bars;
    bool m_candles = false;
    bool m_hasVolume = false;
};

}  // namespace torvan
