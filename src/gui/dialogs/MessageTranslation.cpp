// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/MessageTranslation.h"

#include <QCoreApplication>

namespace torvan {
namespace {

std::string Translated(const char* text) {
    return text == nullptr ? std::string()
                           : QCoreApplication::translate("Messages", text).toStdString();
}

std::string TranslatedEntry(const MessageEntry& entry, const std::vector<std::string>& params) {
    return ComposeMessageText(entry, Translated(entry.text), Translated(entry.singular), params);
}

}  // namespace

QString TranslatedText(MessageId id, const std::vector<std::string>& params) {
    return QString::fromStdString(TranslatedEntry(CatalogueEntry(id), params));
}

QString TranslatedText(const Message& message) {
    const MessageEntry* entry = FindCatalogueEntry(message.id);
    if (entry == nullptr) {
        return QString::fromStdString(message.text);
    }
    // The catalogue's English, and what follows it.
    const std::string english = ComposeMessageText(
        *entry, entry->text, entry->singular ? entry->singular : "", message.params);
    if (message.text.compare(0, english.size(), english) != 0) {
        return QString::fromStdString(message.text);
    }
    return QString::fromStdString(TranslatedEntry(*entry, message.params) +
                                  message.text.substr(english.size()));
}

}  // namespace torvan
