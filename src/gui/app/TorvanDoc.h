// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace torvan {

class CTorvanView;

// The document stands for the input file the user opened; it holds no data
// of its own. Opening a file fills the view with a preview and runs the
// Settings command; a new document empties the view again. It never counts
// as modified, so nothing ever asks to save it.
class CTorvanDoc : public QObject {
    Q_OBJECT

  public:
    explicit CTorvanDoc(QObject* parent = nullptr);
    ~CTorvanDoc() override;

    // The view that shows the document.
    void SetView(CTorvanView* view) { m_view = view; }
    CTorvanView* View() const { return m_view; }

    // Forgets the path and empties the view. Always succeeds.
    bool OnNewDocument();
    // Hands the path to the view, which previews the file and runs the
    // Settings command. False when the file cannot be read, after telling
    // the user why.
    bool OnOpenDocument(const QString& path);

    const QString& PathName() const { return m_strPathName; }
    void SetPathName(const QString& path) { m_strPathName = path; }

  private:
    CTorvanView* m_view = nullptr;
    QString m_strPathName;
};

}  // namespace torvan
