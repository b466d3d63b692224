// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <optional>

namespace torvan {

// A number field with its spin arrows. Unlike QSpinBox, the field holds any
// text of digits, also a number outside the range (a saved setting may hold
// one; the dialog's check reports it when the user confirms). The arrows and
// the arrow keys move the number within the range and write it as plain
// digits. The field is reachable as Edit() so that it can carry the object
// name of its own control.
class CNumberSpin : public QAbstractSpinBox {
    Q_OBJECT

  public:
    explicit CNumberSpin(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);

    // The field's text as a number; nothing when it holds none.
    std::optional<unsigned> Number() const;
    void SetNumber(unsigned value);

    QLineEdit* Edit() const { return lineEdit(); }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    StepEnabled stepEnabled() const override;

  private:
    int m_min = 0;
    int m_max = 99;
};

}  // namespace torvan
