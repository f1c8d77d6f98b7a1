// Any bytes from the other side of the sign-in helper's socket, in pieces of
// any size: never a crash, and every message read is within the limits and
// travels again unchanged.
#include "account/sign_in_message.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the piece size, as a socket hands bytes over.
    const qsizetype piece = 1 + data[0] % 64;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    SignInMessageReader reader;
    QList<SignInMessage> read;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        const bool failedBefore = reader.failed();
        const QList<SignInMessage> messages = reader.read(bytes.mid(at, piece));
        FUZZ_CHECK(!failedBefore || messages.isEmpty());
        read += messages;
    }
    // Pieces change nothing: the whole input reads the same.
    SignInMessageReader whole;
    FUZZ_CHECK(whole.read(bytes) == read);
    FUZZ_CHECK(whole.failed() == reader.failed());

    for (const SignInMessage &message : read) {
        FUZZ_CHECK(message.fields.size() <= SignInMessage::maxFields);
        for (const QByteArray &field : message.fields)
            FUZZ_CHECK(field.size() <= SignInMessage::maxField);
        FUZZ_CHECK(message.url.isEmpty() || message.url.scheme() == u"https" || message.url.scheme() == u"http");
        const QByteArray again = message.framed();
        FUZZ_CHECK(again.size() <= 4 + SignInMessage::maxFrame);
        SignInMessageReader echo;
        FUZZ_CHECK(echo.read(again) == QList<SignInMessage>{message});
    }
    return 0;
}
