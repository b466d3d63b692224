// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "platform/Message.h"
#include "platform/MessageCatalogue.h"

namespace torvan {

// The text of a catalogue message in the language of the installed
// translation: its template is translated (context "Messages") before the
// parameters are put in, so a translation keeps every "{name}". Without a
// translation the text is the catalogue's English, word for word.
QString TranslatedText(MessageId id, const std::vector<std::string>& params = {});

// The text of message as above, looked up by its stable name. A front end
// may have added paragraphs of its own after the catalogue's text; they are
// kept as they are. A message the catalogue does not know keeps its text.
QString TranslatedText(const Message& message);

}  // namespace torvan
