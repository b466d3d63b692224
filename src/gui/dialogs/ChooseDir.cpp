// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/ChooseDir.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidgetItem>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/MessageCatalogue.h"
#include "ui_ChooseDir.h"

namespace torvan {
namespace {

// Characters a typed path may not hold. On Unix the backslash takes the
// place of the slash, which is the separator there: a Windows path typed by
// habit would otherwise become one oddly named directory.
const QString kInvalidCharacters =
    QStringLiteral("*?|<>\"") + QLatin1Char(PathSeparator() == '/' ? '\\' : '/');

bool HasInvalidCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return kInvalidCharacters.contains(c); });
}

// Each entry of the directory list is indented by its depth below the root,
// so that the path's components read as a staircase down to the open
// directory, with its subdirectories one step further in.
constexpr int kDepthRole = Qt::UserRole + 1;

class DepthDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(indented.rect.left() + Indent(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        return {size.width() + Indent(index), size.height()};
    }

  private:
    static int Indent(const QModelIndex& index) { return index.data(kDepthRole).toInt() * 12; }
};

QString WithSeparator(const QString& root) {
    return root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
}

}  // namespace

CChooseDir::CChooseDir(IMessageSink& sink, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ChooseDir>()), m_sink(sink) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(m_ui->list1121, &QListWidget::currentRowChanged, this,
            [this](int row) { OnSelectionChanged(row); });
    connect(m_ui->list1121, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        OpenDirectory(PathOfEntry(m_ui->list1121->row(item)));
    });
    connect(m_ui->combo1137, &QComboBox::activated, this,
            [this](int index) { OnDriveChosen(index); });
    connect(m_ui->IDOK, &QAbstractButton::clicked, this, &CChooseDir::accept);
    connect(m_ui->IDCANCEL, &QAbstractButton::clicked, this, &CChooseDir::reject);
    m_ui->list1121->installEventFilter(this);
    m_ui->list1121->setItemDelegate(new DepthDelegate(m_ui->list1121));
}

CChooseDir::~CChooseDir() = default;

QString ExpandHome(const QString& path) {
    if (path == QStringLiteral("~") || path.startsWith(QStringLiteral("~/"))) {
        return QDir::homePath() + path.mid(1);
    }
    return path;
}

void CChooseDir::SetInitialDir(const std::string& directory) {
    m_strInitialDir = QString::fromStdString(directory);
}

QStringList CChooseDir::DriveRoots() {
    QStringList roots;
    // One root above every volume, where the separator is the slash.
    if (PathSeparator() == '/') {
        roots << QStringLiteral("/");
    }
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = QDir::fromNativeSeparators(volume.rootPath());
        // Package images and boot partitions are no place for a database.
        const bool system = volume.fileSystemType() == "squashfs" ||
                            root.startsWith(QStringLiteral("/snap/")) ||
                            root.startsWith(QStringLiteral("/boot"));
        if (volume.isValid() && volume.isReady() && !system) {
            roots << root;
        }
    }
    roots.removeDuplicates();
    std::sort(roots.begin(), roots.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return roots;
}

void CChooseDir::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CChooseDir::OnInitDialog() {
    m_bInitialised = true;
    {
        const QSignalBlocker blocker(m_ui->combo1137);
        m_ui->combo1137->clear();
        const QStringList roots = DriveRoots();
        for (const QString& root : roots) {
            m_ui->combo1137->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), root);
        }
    }
    const QString start =
        m_strInitialDir.trimmed().isEmpty() ? QDir::currentPath() : m_strInitialDir;
    OpenDirectory(start);
    if (!QFileInfo(start).isDir()) {
        m_ui->edit101->setText(m_strInitialDir);
    }
    m_ui->list1121->setFocus(Qt::OtherFocusReason);
}

void CChooseDir::OpenDirectory(const QString& path) {
    QString dir = QDir::cleanPath(QDir(path).absolutePath());
    while (!QFileInfo(dir).isDir()) {
        const QString parent = QDir::cleanPath(dir + QStringLiteral("/.."));
        if (parent == dir) {
            dir = QDir::rootPath();
            break;
        }
        dir = parent;
    }
    m_strDir = dir;

    // The root is that of the volume holding the directory.
    QString drive = QDir::rootPath();
    int driveIndex = -1;
    for (int i = 0; i < m_ui->combo1137->count(); ++i) {
        const QString root = m_ui->combo1137->itemText(i);
        const bool holds = dir.compare(root, Qt::CaseInsensitive) == 0 ||
                           dir.startsWith(WithSeparator(root), Qt::CaseInsensitive);
        if (holds && (driveIndex < 0 || root.size() > drive.size())) {
            drive = root;
            driveIndex = i;
        }
    }
    {
        const QSignalBlocker blocker(m_ui->combo1137);
        m_ui->combo1137->setCurrentIndex(driveIndex);
    }

    QStringList components;
    components << WithSeparator(drive);
    components << dir.mid(std::min(dir.size(), WithSeparator(drive).size()))
                      .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList subdirectories = QDir(dir).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);

    QListWidget* list = m_ui->list1121;
    const QSignalBlocker blocker(list);
    list->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int depth = 0;
    for (const QString& component : components) {
        auto* item = new QListWidgetItem(open, component);
        item->setData(kDepthRole, depth++);
        list->addItem(item);
    }
    for (const QString& subdirectory : subdirectories) {
        auto* item = new QListWidgetItem(closed, subdirectory);
        item->setData(kDepthRole, depth);
        list->addItem(item);
    }
    m_nComponents = static_cast<int>(components.size());
    list->setCurrentRow(m_nComponents - 1);
    list->scrollToItem(list->currentItem());
    OnSelectionChanged(list->currentRow());
}

QString CChooseDir::PathOfEntry(int row) const {
    const QListWidget* list = m_ui->list1121;
    if (row < 0 || row >= list->count()) {
        return {};
    }
    if (row >= m_nComponents) {
        // A subdirectory of the open directory, and only that one.
        return WithSeparator(PathOfEntry(m_nComponents - 1)) + list->item(row)->text();
    }
    // The root's text ends in the separator; the components after it are
    // joined by one.
    QString path;
    for (int i = 0; i <= row; ++i) {
        if (i >= 2) {
            path += QLatin1Char('/');
        }
        path += list->item(i)->text();
    }
    return path;
}

void CChooseDir::OnSelectionChanged(int row) {
    if (row < 0) {
        return;  // the field keeps its text
    }
    m_ui->edit101->setText(PathOfEntry(row));
}

void CChooseDir::OnDriveChosen(int index) {
    if (index >= 0) {
        OpenDirectory(m_ui->combo1137->itemText(index));
    }
}

bool CChooseDir::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the list opens the selected directory, as a double click
    // does, instead of confirming the dialog.
    if (watched == m_ui->list1121 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            m_ui->list1121->currentRow() >= 0) {
            OpenDirectory(PathOfEntry(m_ui->list1121->currentRow()));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CChooseDir::accept() {
    const QString typed = m_ui->edit101->text();
    const std::string shown = typed.toStdString();
    if (typed.trimmed().isEmpty()) {
        m_sink.Show(MakeMessage(MessageId::kPathMissing));
        m_ui->edit101->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (HasInvalidCharacter(typed)) {
        m_sink.Show(MakeMessage(MessageId::kInvalidPathName, {shown}));
        m_ui->edit101->setFocus(Qt::OtherFocusReason);
        m_ui->edit101->selectAll();
        return;
    }

    // "~" is the home directory, as in a shell; a relative path is taken
    // from the directory open in the list, not from the process's working
    // directory, which the user cannot see.
    QString path = ExpandHome(typed);
    if (QDir::isRelativePath(path)) {
        path = QDir::cleanPath(QDir(m_strDir).filePath(path));
    }

    if (!QFileInfo(path).isDir()) {
        const int answer = m_sink.Show(MakeMessage(MessageId::kCreateDirectory, {shown}));
        if (answer != kIdYes) {
            return;
        }
        // One level only: its parent must exist.
        if (!QDir().mkdir(path)) {
            m_sink.Show(MakeMessage(MessageId::kCreateDirectoryFailed, {shown}));
            return;
        }
    }
    m_result = path;
    QDialog::accept();
}

}  // namespace torvan
