#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

// One message between the companion and its sign-in helper process. Each
// travels as a 4-byte big-endian length followed by a CBOR array:
// [kind] or [kind, count] or [kind, url] or [kind, url, [Set-Cookie field…]].
struct SignInMessage {
    enum class Kind : int {
        // To the helper.
        show = 1,          // url: the web app's origin
        hide = 2,          // the window goes off screen
        acceptCookies = 3, // url: the answer's origin; fields: its Set-Cookie fields
        clear = 4,         // wipe the session; answered by `cleared`
        quit = 5,          // persist and end
        // From the helper.
        sessionChanged = 16,  // the record may have changed: read it again
        cookiesAccepted = 17, // the oldest unanswered acceptCookies is in the record
        windowClosed = 18,    // count: how many messages the helper had read by then
        cleared = 19,         // the wipe is done
    };

    SignInMessage() = default;
    SignInMessage(Kind kind, QUrl url = {}, QList<QByteArray> fields = {}, quint32 count = 0)
        : kind(kind),
          url(std::move(url)),
          fields(std::move(fields)),
          count(count)
    {
    }

    Kind kind = Kind::quit;
    QUrl url;
    QList<QByteArray> fields;
    quint32 count = 0;

    // What a sender keeps within, and a reader refuses beyond. A browser
    // keeps cookies of up to 4 KiB; only session cookie lines are sent.
    static constexpr qsizetype maxFrame = 64 * 1024;
    static constexpr qsizetype maxFields = 8;
    static constexpr qsizetype maxField = 4096;
    static constexpr qsizetype maxUrl = 2048;

    // The message as it travels, length first.
    QByteArray framed() const;

    friend bool operator==(const SignInMessage &, const SignInMessage &) = default;
};

// Cuts a byte stream into messages. The first malformed or oversized frame
// fails the reader for good: the other side is broken or hostile, and
// nothing after it is read.
class SignInMessageReader {
public:
    // The messages completed by `bytes`, in order, up to a malformed frame;
    // none once failed.
    QList<SignInMessage> read(const QByteArray &bytes);
    bool failed() const { return m_failed; }

    // One frame's body, strictly: nullopt when anything is off.
    static std::optional<SignInMessage> decode(const QByteArray &body);

private:
    QByteArray m_pending;
    bool m_failed = false;
};

// Every message within the field and address limits fits in a frame (CBOR
// adds at most 9 bytes an item).
static_assert(SignInMessage::maxFields * (SignInMessage::maxField + 9) + SignInMessage::maxUrl + 64
              <= SignInMessage::maxFrame);
