#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <vector>

// Helpers shared by the benchmarks that fill a large library in
// pelora-devserver and time it over loopback.
namespace BenchLibrary {

inline constexpr int size = 5000; // the most a library can hold: 100 pages of 50

// A complete lookup card, numbered so that each one is saved as a new phrase.
inline QJsonObject card(int index)
{
    const QString n = QString::number(index);
    return QJsonObject{
        {"malay", QStringLiteral("Jom minum teh tarik dulu, kawan nombor %1.").arg(n)},
        {"english", QStringLiteral("Let's have a pulled tea first, friend number %1.").arg(n)},
        {"register", "casual"},
        {"context", QStringLiteral("A friendly invitation to take a break at the kopitiam.")},
        {"usageExamples", QJsonArray{QJsonObject{{"malay", "Jom minum teh tarik dulu sebelum balik."},
                                                 {"english", "Let's have a teh tarik before heading home."},
                                                 {"situation", "After work with colleagues"}}}},
        {"notes", QJsonArray{"Jom means let's.", "Dulu softens the suggestion."}},
        {"relatedPhrases", QJsonArray{}},
        {"words", QJsonArray{QJsonObject{{"malay", "jom"}, {"english", "let's"}},
                             QJsonObject{{"malay", "minum"}, {"english", "drink"}},
                             QJsonObject{{"malay", "teh tarik"}, {"english", "pulled tea"}},
                             QJsonObject{{"malay", "dulu"}, {"english", "first"}}}},
        {"scenario", "kopitiam"},
    };
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace BenchLibrary
