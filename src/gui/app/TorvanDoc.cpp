// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/TorvanDoc.h"

#include "gui/app/TorvanView.h"

namespace torvan {

CTorvanDoc::CTorvanDoc(QObject* parent) : QObject(parent) {}

CTorvanDoc::~CTorvanDoc() = default;

bool CTorvanDoc::OnNewDocument() {
    m_strPathName.clear();
    if (m_view != nullptr) {
        m_view->SetPaneText(QString());
    }
    return true;
}

bool CTorvanDoc::OnOpenDocument(const QString& path) {
    if (m_view == nullptr) {
        return false;
    }
    return m_view->OpenInput(path);
}

}  // namespace torvan
