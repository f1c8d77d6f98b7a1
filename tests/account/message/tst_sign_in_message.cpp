// The companion and its sign-in helper read each other's messages strictly: a
// frame that is malformed, oversized or meant for the other side fails the
// reader for good, whatever pieces the bytes arrive in.
#include "account/sign_in_message.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborValue>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;
using Kind = SignInMessage::Kind;

namespace {

QByteArray frame(const QByteArray &body)
{
    QByteArray length(4, Qt::Uninitialized);
    qToBigEndian(quint32(body.size()), length.data());
    return length + body;
}

QByteArray cbor(const QCborValue &value)
{
    return value.toCbor();
}

const QUrl origin(u"http://localhost:3000"_s);

} // namespace

class SignInMessageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyKindTravels_data()
    {
        QTest::addColumn<SignInMessage>("message");
        QTest::newRow("show") << SignInMessage(Kind::show, origin);
        QTest::newRow("hide") << SignInMessage(Kind::hide);
        QTest::newRow("accept, no fields") << SignInMessage(Kind::acceptCookies, origin);
        QTest::newRow("accept, binary field")
            << SignInMessage(Kind::acceptCookies, QUrl(u"https://www.pelora.app"_s),
                             {QByteArray("auth.session-token=\xff\x00\x01", 21), "second"});
        QTest::newRow("accept, longest address, largest fields, most of them") << SignInMessage(
            Kind::acceptCookies, QUrl(u"https://pelora.app/"_s + QString(SignInMessage::maxUrl - 19, u'a')),
            QList<QByteArray>(SignInMessage::maxFields, QByteArray(SignInMessage::maxField, '\xff')));
        QTest::newRow("session changed") << SignInMessage(Kind::sessionChanged);
        QTest::newRow("window closed, most read") << SignInMessage(Kind::windowClosed, {}, {}, 0xffffffffu);
        QTest::newRow("cleared") << SignInMessage(Kind::cleared);
    }
    void everyKindTravels()
    {
        QFETCH(SignInMessage, message);
        const QByteArray bytes = message.framed();
        QVERIFY(bytes.size() <= 4 + SignInMessage::maxFrame);
        SignInMessageReader whole;
        QCOMPARE(whole.read(bytes), QList<SignInMessage>{message});
        QVERIFY(!whole.failed());

        // A byte at a time, as a slow pipe may hand it over.
        SignInMessageReader pieces;
        QList<SignInMessage> read;
        for (char byte : bytes)
            read += pieces.read(QByteArray(1, byte));
        QCOMPARE(read, QList<SignInMessage>{message});
    }

    // Each body is refused, and the reader reads nothing after it.
    void hostileFramesFailTheReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const auto array = [](std::initializer_list<QCborValue> items) { return cbor(QCborArray(items)); };
        const QString http = origin.toString();
        QTest::newRow("empty frame") << QByteArray(4, '\0');
        // Refused from the length alone: the body it announces never comes.
        QTest::newRow("length beyond the limit") << QByteArray::fromHex("00010001");
        QTest::newRow("length of text, as `yes` writes") << QByteArray("y\ny\ny\ny\n");
        QTest::newRow("not CBOR") << frame("\xff\xff\xff");
        QTest::newRow("truncated CBOR") << frame(array({1, http}).chopped(2));
        QTest::newRow("bytes after the array") << frame(array({2}) + QByteArray(1, '\0'));
        QTest::newRow("a map, not an array") << frame(cbor(QCborMap{{0, 2}}));
        QTest::newRow("empty array") << frame(array({}));
        QTest::newRow("kind as text") << frame(array({u"hide"_s}));
        QTest::newRow("unknown kind") << frame(array({6}));
        QTest::newRow("hide with a url") << frame(array({2, http}));
        QTest::newRow("show without a url") << frame(array({1}));
        QTest::newRow("show with url as bytes") << frame(array({1, http.toUtf8()}));
        QTest::newRow("show with a file url") << frame(array({1, u"file:///etc/passwd"_s}));
        QTest::newRow("show with no host") << frame(array({1, u"http://"_s}));
        QTest::newRow("show with a second #") << frame(array({1, u"http://local##host"_s}));
        QTest::newRow("show with a raw space") << frame(array({1, u"http://localhost/a b"_s}));
        QTest::newRow("show with an overlong url")
            << frame(array({1, QString(u"http://localhost/"_s + QString(SignInMessage::maxUrl, u'a'))}));
        QTest::newRow("accept without fields") << frame(array({3, http}));
        QTest::newRow("accept with a text field") << frame(array({3, http, QCborArray{u"a=b"_s}}));
        QTest::newRow("accept with an oversized field")
            << frame(array({3, http, QCborArray{QByteArray(SignInMessage::maxField + 1, 'x')}}));
        QCborArray tooMany;
        for (qsizetype i = 0; i <= SignInMessage::maxFields; ++i)
            tooMany.append(QByteArray("a=b"));
        QTest::newRow("accept with too many fields") << frame(array({3, http, tooMany}));
        QTest::newRow("window closed without a count") << frame(array({18}));
        QTest::newRow("window closed with a negative count") << frame(array({18, -1}));
        QTest::newRow("window closed with too large a count") << frame(array({18, qint64(1) << 32}));
        QTest::newRow("window closed with a text count") << frame(array({18, u"1"_s}));
    }
    void hostileFramesFailTheReader()
    {
        QFETCH(QByteArray, bytes);
        SignInMessageReader reader;
        const SignInMessage before(Kind::hide);
        const SignInMessage after(Kind::quit);
        // What came before the bad frame is read; nothing after it ever is.
        QCOMPARE(reader.read(before.framed() + bytes + after.framed()), QList<SignInMessage>{before});
        QVERIFY(reader.failed());
        QCOMPARE(reader.read(after.framed()), QList<SignInMessage>());
    }
};

QTEST_GUILESS_MAIN(SignInMessageTest)
#include "tst_sign_in_message.moc"
