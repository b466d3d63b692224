#include "platform/MessageBox.h"

#include <cstdio>
#include <utility>

namespace torvan {
namespace {

MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}

int DefaultHandler(const std::string& text, unsigned type) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    return (type & 0x0F) == kMbYesNo ? kIdYes : kIdOk;
}

}  // namespace

int ShowMessage(const std::string& text, unsigned type) {
    const MessageHandler& handler = Handler();
    if (handler) {
        return handler(text, type);
    }
    return DefaultHandler(text, type);
}

int ShowFailure(const std::string& text) {
    ShowMessage(text, kMbOk | kMbIconExclamation);
    return 1;
}

MessageHandler SetMessageHandler(MessageHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

}  // namespace torvan
