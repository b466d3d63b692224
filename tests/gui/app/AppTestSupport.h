// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>

// Test programs run on Qt's offscreen platform unless told otherwise.
#define TORVAN_TEST_MAIN(TestClass)                           \
    int main(int argc, char** argv) {                         \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) { \
            qputenv("QT_QPA_PLATFORM", "offscreen");          \
        }                                                     \
        QApplication app(argc, argv);                         \
        TestClass test;                                       \
        return QTest::qExec(&test, argc, argv);               \
    }

namespace torvan::test {

// Answers the modal windows of a flow in turn: each step gets the next
// modal window that appears (a dialog or a message box) and must close it.
class ModalScript : public QObject {
  public:
    using Step = std::function<void(QWidget*)>;

    ModalScript() {
        connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start(10);
    }

    ModalScript& Then(Step step) {
        m_steps.push_back(std::move(step));
        return *this;
    }

    // Every step has run.
    bool Done() const { return m_steps.empty(); }
    int Answered() const { return m_answered; }

  private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == m_last || m_steps.empty() || !modal->isVisible()) {
            return;
        }
        m_last = modal;
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        ++m_answered;
        step(modal);
        // A step that failed half-way leaves its window open: close it, so
        // that the test reports the failure instead of waiting for ever.
        if (m_last && m_last->isVisible() && QApplication::activeModalWidget() == m_last) {
            if (auto* dialog = qobject_cast<QDialog*>(m_last.data())) {
                qWarning("ModalScript: a step left %s open", dialog->metaObject()->className());
                dialog->reject();
            }
        }
    }

    QTimer m_timer;
    std::deque<Step> m_steps;
    QPointer<QWidget> m_last;
    int m_answered = 0;
};

}  // namespace torvan::test
