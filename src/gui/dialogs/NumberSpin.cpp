// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/NumberSpin.h"

#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>

namespace torvan {
namespace {
// Enough digits for any unsigned 32-bit number.
constexpr int kMaxDigits = 10;
}  // namespace

CNumberSpin::CNumberSpin(QWidget* parent) : QAbstractSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    lineEdit()->setMaxLength(kMaxDigits);
}

void CNumberSpin::SetRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = std::max(minimum, maximum);
    update();
}

std::optional<unsigned> CNumberSpin::Number() const {
    const QString text = lineEdit()->text().trimmed();
    bool ok = false;
    const unsigned value = text.toUInt(&ok);
    if (!ok || text.startsWith(QLatin1Char('+'))) {
        return std::nullopt;
    }
    return value;
}

void CNumberSpin::SetNumber(unsigned value) {
    lineEdit()->setText(QString::number(value));
}

void CNumberSpin::stepBy(int steps) {
    // A field without a number, or with one outside the range, starts from
    // the nearest end of the range.
    const auto current = Number();
    long long value = current ? static_cast<long long>(*current) : m_min;
    value = std::clamp<long long>(value, m_min, m_max);
    value = std::clamp<long long>(value + steps, m_min, m_max);
    SetNumber(static_cast<unsigned>(value));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled CNumberSpin::stepEnabled() const {
    if (isReadOnly() || !isEnabled()) {
        return StepNone;
    }
    const auto current = Number();
    if (!current) {
        return StepUpEnabled | StepDownEnabled;
    }
    StepEnabled enabled = StepNone;
    if (static_cast<long long>(*current) < m_max) {
        enabled |= StepUpEnabled;
    }
    if (static_cast<long long>(*current) > m_min) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

QValidator::State CNumberSpin::validate(QString& input, int& /*pos*/) const {
    for (const QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return QValidator::Invalid;
        }
    }
    return input.size() <= kMaxDigits ? QValidator::Acceptable : QValidator::Invalid;
}

QSize CNumberSpin::sizeHint() const {
    // Room for three digits besides the arrows: the ranges go up to 200.
    ensurePolished();
    const QFontMetrics metrics(font());
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const int width = metrics.horizontalAdvance(QStringLiteral("0000")) + 4;
    const QSize content(width, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

QSize CNumberSpin::minimumSizeHint() const {
    return sizeHint();
}

}  // namespace torvan
