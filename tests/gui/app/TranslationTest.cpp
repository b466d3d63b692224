// SPDX-License-Identifier: GPL-3.0-or-later
// The German translation: complete, true to every placeholder, accelerator
// and key of its sources, covering every text of the message catalogue; and
// the program started under a German locale speaking it.
#include <QFile>
#include <QMenuBar>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>
#include <map>

#include "gui/app/Translations.h"
#include "gui/dialogs/QtMessageSink.h"
#include "platform/MessageCatalogue.h"
#include "tests/gui/app/AppFixture.h"

using namespace torvan;

namespace {

struct TsEntry {
    QString context, source, translation, type;
    QStringList forms;  // a plural's translations, each checked on its own
};

std::vector<TsEntry> ReadTs(const QString& path) {
    std::vector<TsEntry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return entries;
    }
    QXmlStreamReader xml(&file);
    QString context;
    bool numerus = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            entries.push_back({context, {}, {}, {}, {}});
            numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        } else if (xml.name() == QLatin1String("source")) {
            entries.back().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            entries.back().type = xml.attributes().value(QLatin1String("type")).toString();
            if (!numerus) {
                entries.back().translation = xml.readElementText();
            }
        } else if (xml.name() == QLatin1String("numerusform")) {
            entries.back().forms << xml.readElementText();
            entries.back().translation = entries.back().forms.join(QLatin1Char('|'));
        }
    }
    return entries;
}

// What a translation must carry over: {name} and %1 placeholders, the key
// after a tab, whether there is an accelerator, and the trailing "...".
QStringList Marks(const QString& text) {
    static const QRegularExpression marks(QStringLiteral(R"(\{\w+\}|%\d|\t.*$|&(?!&)|\.\.\.$)"));
    QStringList found;
    for (const auto& match : marks.globalMatch(text)) {
        found << match.captured();
    }
    found.sort();
    return found;
}

// The accelerator letter of text, or 0.
QChar Accelerator(const QString& text) {
    const auto at = text.indexOf(QRegularExpression(QStringLiteral("&(?!&)")));
    return at < 0 || at + 1 >= text.size() ? QChar() : text[at + 1].toLower();
}

}  // namespace

class TranslationTest : public QObject {
    Q_OBJECT

  private slots:
    void germanIsCompleteAndKeepsMarks() {
        const auto entries = ReadTs(QStringLiteral(TORVAN_SOURCE_DIR "/translations/torvan_de.ts"));
        QVERIFY(entries.size() > 100);
        std::map<QString, QString> messages;
        for (const TsEntry& e : entries) {
            const QString where = e.context + QStringLiteral(": ") + e.source;
            QVERIFY2(e.type.isEmpty() && !e.translation.isEmpty(), qPrintable(where));
            for (const QString& form : e.forms.isEmpty() ? QStringList{e.translation} : e.forms) {
                QVERIFY2(Marks(e.source) == Marks(form), qPrintable(where));
            }
            if (e.context == QLatin1String("Messages")) {
                messages[e.source] = e.translation;
            }
        }
        // Every text of the catalogue, so that none shows in English.
        for (const MessageEntry& entry : MessageCatalogue()) {
            for (const char* text : {entry.text, entry.singular}) {
                QVERIFY2(text == nullptr || messages.count(QString::fromUtf8(text)) == 1,
                         entry.name);
            }
        }
    }

    void mainWindowSpeaksGerman() {
        QVERIFY(InstallTranslations(QLocale(QLocale::German, QLocale::Germany)));
        test::AppFixture fixture;
        QVERIFY(fixture.Start());
        QList<QChar> titles;
        for (QAction* menu : fixture.Frame().menuBar()->actions()) {
            titles << Accelerator(menu->text());
            QList<QChar> items;
            for (QAction* item : menu->menu()->actions()) {
                if (!item->isSeparator() && item->isVisible()) {
                    QVERIFY2(!items.contains(Accelerator(item->text())), qPrintable(item->text()));
                    items << Accelerator(item->text());
                }
            }
        }
        QCOMPARE(fixture.Frame().menuBar()->actions().first()->text(), QStringLiteral("&Datei"));
        QCOMPARE(QSet<QChar>(titles.begin(), titles.end()).size(), titles.size());

        // A catalogue message: the template translated, the path put in.
        const auto box = QtMessageSink::CreateBox(
            MakeMessage(MessageId::kCreateDirectory, {"/tmp/kurse"}), nullptr);
        QCOMPARE(box->text(), QStringLiteral("Der Ordner /tmp/kurse existiert nicht.\n"
                                             "Soll er angelegt werden?"));
        // What the program adds after a catalogue text stays as it was added.
        Message success = MakeMessage(MessageId::kConversionSucceeded);
        success.text += "\n\nIBM";
        QCOMPARE(QtMessageSink::CreateBox(success, nullptr)->text(),
                 QStringLiteral("Die Konvertierung wurde erfolgreich abgeschlossen!\n\nIBM"));
    }
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
