// Measures PhraseFeed::decode (JSON parse, shape check and every rule) against
// a bare QJsonDocument::fromJson of the same bytes, in the same run, for a
// typical 50-phrase page and for a page just under the 2,000,000-byte cap.
// Prints both times and their ratio; the target is at most 1.5×.
//   bench_feed [--reps N]   N scales the repetitions (default 1)
#include "library/phrase_feed.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype byteCap = 2'000'000;

// A phrase as the web app would send it; `heavy` fills every field to its
// limit (lengths counted with combining marks, so the grapheme rules work)
// and adds long note and example lists.
QJsonObject phrase(int index, bool heavy)
{
    QJsonArray words;
    for (int i = 0; i < (heavy ? 80 : 4); ++i)
        words.append(QJsonObject{{"malay"_L1, u"perkataan%1"_s.arg(i)}, {"english"_L1, u"word %1"_s.arg(i)}});
    QJsonArray notes;
    QJsonArray examples;
    for (int i = 0; i < (heavy ? 115 : 2); ++i) {
        notes.append(u"Note %1: used between friends, less so with elders or strangers."_s.arg(i));
        examples.append(QJsonObject{{"malay"_L1, u"Jom makan dulu sebelum mesyuarat, boleh? (%1)"_s.arg(i)},
                                    {"english"_L1, u"Let's eat first before the meeting, shall we? (%1)"_s.arg(i)},
                                    {"situation"_L1, u"Inviting a colleague to lunch"_s}});
    }
    const QString accented = u"e\u0301"_s;
    return QJsonObject{
        {"id"_L1, u"phrase-%1"_s.arg(index)},
        {"malay"_L1, heavy ? accented.repeated(300) : u"Jom makan!"_s},
        {"english"_L1, heavy ? accented.repeated(500) : u"Let's eat!"_s},
        {"category"_L1, u"Food"_s},
        {"context"_L1, heavy ? accented.repeated(2000) : u"A friendly invitation to eat together."_s},
        {"words"_L1, words},
        {"notes"_L1, notes},
        {"usageExamples"_L1, examples},
    };
}

QByteArray typicalPage()
{
    QJsonArray phrases;
    for (int i = 0; i < 50; ++i)
        phrases.append(phrase(i, false));
    return QJsonDocument(QJsonObject{{"version"_L1, 1},
                                     {"userId"_L1, u"user-1"_s},
                                     {"phrases"_L1, phrases},
                                     {"nextCursor"_L1, u"cursor-2"_s}})
        .toJson(QJsonDocument::Compact);
}

// 50 phrases at their limits with long note and example lists, and one note
// padded so that the body ends just under the cap.
QByteArray largestPage()
{
    QJsonArray phrases;
    for (int i = 0; i < 50; ++i)
        phrases.append(phrase(i, true));
    auto build = [&] {
        return QJsonDocument(QJsonObject{{"version"_L1, 1}, {"userId"_L1, u"user-1"_s}, {"phrases"_L1, phrases}})
            .toJson(QJsonDocument::Compact);
    };
    const qsizetype base = build().size();
    if (base >= byteCap - 16)
        return {}; // the phrases alone are too large; main reports it
    QJsonObject last = phrases.last().toObject();
    QJsonArray notes = last.value("notes"_L1).toArray();
    notes.append(QString(byteCap - base - 16, u'x')); // 16: quotes, comma and headroom
    last.insert("notes"_L1, notes);
    phrases.replace(phrases.size() - 1, last);
    return build();
}

// Time of one call in microseconds, averaged over a batch of `batch` calls.
template <typename Work> double batchMicros(int batch, Work work)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < batch; ++i)
        work();
    return double(timer.nsecsElapsed()) / 1000.0 / batch;
}

bool measure(const char *name, const QByteArray &bytes, int samples, int batch)
{
    if (!PhraseFeed::decode(bytes).ok()) {
        std::printf("%s: the page does not decode\n", name);
        return false;
    }
    int sink = 0;
    auto parse = [&] { sink += QJsonDocument::fromJson(bytes).isObject(); };
    auto decode = [&] { sink += PhraseFeed::decode(bytes).ok(); };
    batchMicros(batch, parse); // warm-up
    batchMicros(batch, decode);

    // Samples of the two alternate, so both see the same machine; the best
    // sample of each is the one least disturbed by other processes.
    double parseUs = std::numeric_limits<double>::max();
    double decodeUs = std::numeric_limits<double>::max();
    for (int s = 0; s < samples; ++s) {
        parseUs = std::min(parseUs, batchMicros(batch, parse));
        decodeUs = std::min(decodeUs, batchMicros(batch, decode));
    }
    const double ratio = decodeUs / parseUs;
    std::printf("%-22s %9lld bytes  fromJson %9.1f us  decode+validate %9.1f us  ratio %.2fx%s\n", name,
                static_cast<long long>(bytes.size()), parseUs, decodeUs, ratio,
                ratio <= 1.5 ? "" : "  (above the 1.5x target)");
    return sink != 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int scale = 1;
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(u"--reps"_s); at >= 0 && at + 1 < args.size())
        scale = std::max(1, args.at(at + 1).toInt());

    const QByteArray typical = typicalPage();
    const QByteArray largest = largestPage();
    if (largest.size() >= byteCap || largest.size() < byteCap - 100) {
        std::printf("largest page is %lld bytes, not just under the cap\n", static_cast<long long>(largest.size()));
        return 1;
    }
    bool ok = measure("50-phrase page", typical, 60 * scale, 20);
    ok = measure("page under 2,000,000 B", largest, 30 * scale, 1) && ok;
    return ok ? 0 : 1;
}
