#include "word_tables.h"

#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

QSet<QString> setOf(std::initializer_list<const char *> words)
{
    QSet<QString> set;
    for (const char *word : words)
        set.insert(QString::fromLatin1(word));
    return set;
}

QHash<QString, QString> pairsOf(std::initializer_list<std::pair<const char *, const char *>> pairs)
{
    QHash<QString, QString> hash;
    for (const auto &[from, to] : pairs)
        hash.insert(QString::fromLatin1(from), QString::fromLatin1(to));
    return hash;
}

} // namespace

namespace WordTables {

const QSet<QString> &stopWords()
{
    static const QSet<QString> words = setOf({
        "a",         "an",          "the",    "to",    "of",    "in",     "on",     "at",   "for",    "with",
        "by",        "about",       "into",   "up",    "out",   "off",    "is",     "are",  "am",     "was",
        "were",      "be",          "been",   "being", "do",    "does",   "did",    "it",   "its",    "and",
        "or",        "so",          "as",     "if",    "then",  "than",   "please", "can",  "could",  "would",
        "will",      "shall",       "should", "may",   "might", "must",   "just",   "very", "any",    "per",
        "also",      "quite",       "s",      "t",     "malay", "bahasa", "melayu", "say",  "saying", "said",
        "translate", "translation", "these",  "those", "sir",   "madam",  "oh",
    });
    return words;
}

const QSet<QString> &weakWords()
{
    static const QSet<QString> words = setOf({
        // English question words, pointers and light verbs
        "where",
        "when",
        "what",
        "which",
        "who",
        "whom",
        "whose",
        "why",
        "how",
        "much",
        "many",
        "here",
        "there",
        "from",
        "want",
        "need",
        "like",
        "get",
        "go",
        "have",
        "has",
        "had",
        "take",
        "give",
        "make",
        "tell",
        "let",
        "this",
        "that",
        "now",
        "too",
        "really",
        "some",
        "something",
        "anything",
        "thing",
        "someone",
        "somebody",
        "anyone",
        "excuseme",
        // English pronouns (their order is checked separately)
        "i",
        "me",
        "my",
        "mine",
        "myself",
        "we",
        "us",
        "our",
        "you",
        "your",
        "yours",
        "yourself",
        // Malay question words, pronouns, particles and prepositions
        "mana",
        "apa",
        "berapa",
        "bila",
        "siapa",
        "saya",
        "aku",
        "awak",
        "anda",
        "kamu",
        "kami",
        "kita",
        "nak",
        "hendak",
        "ya",
        "lah",
        "je",
        "ni",
        "tu",
        "ini",
        "itu",
        "boleh",
        "ada",
        "di",
        "ke",
        "dari",
        "yang",
    });
    return words;
}

const QSet<QString> &numberWords()
{
    static const QSet<QString> words = setOf({
        "zero",    "one",      "two",     "three",  "four",    "five",   "six",    "seven", "eight",
        "nine",    "ten",      "eleven",  "twelve", "fifteen", "twenty", "thirty", "forty", "fifty",
        "hundred", "thousand", "satu",    "dua",    "tiga",    "empat",  "lima",   "enam",  "tujuh",
        "lapan",   "sembilan", "sepuluh", "belas",  "puluh",   "ratus",  "ribu",   "biji",
    });
    return words;
}

const QHash<QString, QString> &expansions()
{
    static const QHash<QString, QString> words = pairsOf({
        {"u", "you"},
        {"ur", "your"},
        {"r", "are"},
        {"pls", "please"},
        {"plz", "please"},
        {"pleae", "please"},
        {"thx", "thanks"},
        {"thnx", "thanks"},
        {"thanx", "thanks"},
        {"tq", "thanks"},
        {"ty", "thanks"},
        {"thankyou", "thank you"},
        {"im", "i am"},
        {"ive", "i have"},
        {"dont", "do not"},
        {"cant", "can not"},
        {"cannot", "can not"},
        {"wont", "will not"},
        {"didnt", "did not"},
        {"doesnt", "does not"},
        {"isnt", "is not"},
        {"arent", "are not"},
        {"hasnt", "has not"},
        {"havent", "have not"},
        {"wasnt", "was not"},
        {"couldnt", "could not"},
        {"wouldnt", "would not"},
        {"wheres", "where is"},
        {"whats", "what is"},
        {"hows", "how is"},
        {"whens", "when is"},
        {"thats", "that is"},
        {"theres", "there is"},
        {"wanna", "want to"},
        {"gonna", "going to"},
        {"tmr", "tomorrow"},
        {"tmrw", "tomorrow"},
        {"wat", "what"},
        {"wich", "which"},
        {"whcih", "which"},
        {"wher", "where"},
        {"whr", "where"},
        {"hw", "how"},
        {"headache", "head pain"},
        {"headaches", "head pain"},
        {"stomachache", "stomach pain"},
        {"tummyache", "stomach pain"},
        {"toothache", "tooth pain"},
        {"backache", "back pain"},
        {"goodnight", "good night"},
        {"goodmorning", "good morning"},
        {"disagree", "not agree"},
        {"wifi", "wi fi"},
        {"email", "e mail"},
        {"takeaway", "take away"},
        {"checkout", "check out"},
        {"checkin", "check in"},
        {"login", "log in"},
        {"topup", "top up"},
        {"carpark", "car park"},
        {"busstop", "bus stop"},
    });
    return words;
}

const QHash<QString, QString> &irregularForms()
{
    static const QHash<QString, QString> words = pairsOf({
        {"went", "go"},       {"gone", "go"},      {"going", "go"},     {"got", "get"},     {"gotten", "get"},
        {"ate", "eat"},       {"eaten", "eat"},    {"bought", "buy"},   {"paid", "pay"},    {"stole", "steal"},
        {"stolen", "steal"},  {"broke", "break"},  {"broken", "break"}, {"took", "take"},   {"felt", "feel"},
        {"spoke", "speak"},   {"spoken", "speak"}, {"told", "tell"},    {"sent", "send"},   {"children", "child"},
        {"people", "person"}, {"women", "woman"},  {"men", "man"},      {"teeth", "tooth"}, {"feet", "foot"},
        {"used", "use"},      {"buses", "bus"},    {"tired", "tired"},  {"saw", "see"},     {"seen", "see"},
        {"came", "come"},     {"gave", "give"},    {"given", "give"},   {"made", "make"},   {"met", "meet"},
        {"ran", "run"},       {"sat", "sit"},      {"slept", "sleep"},  {"wrote", "write"}, {"written", "write"},
        {"found", "find"},    {"left", "left"},    {"lost", "lost"},    {"has", "have"},    {"had", "have"},
    });
    return words;
}

const QHash<QString, QString> &synonyms()
{
    static const QHash<QString, QString> words = [] {
        // Each canonical word with the words, separated by spaces, that mean it here.
        const std::pair<const char *, const char *> groups[] = {
            {"toilet", "restroom bathroom washroom loo lavatory wc restrooms bathrooms washrooms"},
            {"book", "reserve reservation booking reserved reservations bookings"},
            {"dead", "flat died empty drained"},
            {"taxi", "cab cabs"},
            {"tyre", "tire tires"},
            {"colour", "color colors"},
            {"centre", "center"},
            {"lift", "elevator elevators"},
            {"petrol", "gas fuel gasoline"},
            {"luggage", "baggage suitcase suitcases"},
            {"phone", "mobile handphone cellphone telephone hp mobiles handphones cellphones telephones"},
            {"medicine", "medication meds drug pill tablet drugs pills tablets"},
            {"pharmacy", "chemist drugstore chemists"},
            {"doctor", "doc gp physician"},
            {"sick", "ill unwell illness"},
            {"pain", "hurt ache sore painful hurts hurting aches aching"},
            {"stomach", "tummy belly"},
            {"thank", "thanks"},
            {"goodbye", "bye"},
            {"hello", "hi hey hai"},
            {"sorry", "apologies apologise apologize apology"},
            {"photo", "picture pic photograph pictures pics photographs"},
            {"shop", "store stores"},
            {"buy", "purchase purchased"},
            {"fever", "temperature"},
            {"emergency", "urgent"},
            {"lost", "missing lose"},
            {"steal", "rob robbed"},
            {"break", "damaged"},
            {"recommend", "suggest suggestion recommendation suggestions recommendations"},
            {"child", "kid son daughter kids sons daughters"},
            {"big", "large bigger larger"},
            {"small", "tiny smaller"},
            {"expensive", "pricey costly"},
            {"start", "begin"},
            {"postpone", "reschedule"},
            {"wallet", "purse"},
            {"police", "cop cops"},
            {"okay", "ok"},
            {"tired", "exhausted"},
            {"hungry", "starving"},
            {"train", "lrt mrt ktm monorail"},
            {"airport", "klia"},
            {"allergic", "allergy"},
            {"not", "no without none"},
            {"less", "little bit slightly"},
            {"other", "another different else"},
            {"send", "post posted"},
            {"aircon", "ac aircond"},
            {"nearest", "closest nearby near"},
            {"speak", "talk"},
            {"free", "available vacant"},
            {"bad", "terrible awful"},
            {"good", "nice great"},
            {"pay", "payment"},
            {"sprain", "sprained twist twisted"},
            {"congratulations", "congrats congratulation"},
            {"woman", "lady ladies female"},
            {"man", "male gentlemen gents"},
        };
        QHash<QString, QString> hash;
        for (const auto &[canonical, variants] : groups)
            for (const QString &variant : QString::fromLatin1(variants).split(u' '))
                hash.insert(variant, QString::fromLatin1(canonical));
        return hash;
    }();
    return words;
}

const QList<Compound> &compounds()
{
    static const QList<Compound> list{
        {{u"wi"_s, u"fi"_s}, u"wifi"_s},
        {{u"excuse"_s, u"me"_s}, u"excuseme"_s},
        {{u"how"_s, u"much"_s}, u"howmuch"_s},
        {{u"how"_s, u"many"_s}, u"howmany"_s},
        {{u"am"_s, u"lost"_s}, u"astray"_s},
        {{u"get"_s, u"lost"_s}, u"astray"_s},
        {{u"e"_s, u"mail"_s}, u"email"_s},
        {{u"e"_s, u"mel"_s}, u"email"_s},
        {{u"sick"_s, u"leave"_s}, u"sickleave"_s},
        {{u"cuti"_s, u"sakit"_s}, u"sickleave"_s},
        {{u"check"_s, u"in"_s}, u"checkin"_s},
        {{u"daftar"_s, u"masuk"_s}, u"checkin"_s},
        {{u"check"_s, u"out"_s}, u"checkout"_s},
        {{u"daftar"_s, u"keluar"_s}, u"checkout"_s},
        {{u"take"_s, u"away"_s}, u"takeaway"_s},
        {{u"air"_s, u"con"_s}, u"aircon"_s},
        {{u"air"_s, u"cond"_s}, u"aircon"_s},
        {{u"air"_s, u"conditioning"_s}, u"aircon"_s},
        {{u"air"_s, u"conditioner"_s}, u"aircon"_s},
        {{u"penghawa"_s, u"dingin"_s}, u"aircon"_s},
        {{u"log"_s, u"in"_s}, u"login"_s},
        {{u"log"_s, u"masuk"_s}, u"login"_s},
        {{u"sign"_s, u"in"_s}, u"login"_s},
        {{u"lost"_s, u"and"_s, u"found"_s}, u"lostfound"_s},
        {{u"one"_s, u"way"_s}, u"oneway"_s},
        {{u"round"_s, u"trip"_s}, u"returntrip"_s},
        {{u"pergi"_s, u"balik"_s}, u"returntrip"_s},
        {{u"bus"_s, u"stop"_s}, u"busstop"_s},
        {{u"perhentian"_s, u"bas"_s}, u"busstop"_s},
        {{u"top"_s, u"up"_s}, u"topup"_s},
        {{u"tambah"_s, u"nilai"_s}, u"topup"_s},
        {{u"car"_s, u"park"_s}, u"carpark"_s},
        {{u"tempat"_s, u"letak"_s, u"kereta"_s}, u"carpark"_s},
    };
    return list;
}

const QList<ContrastGroup> &contrastGroups()
{
    static const QList<ContrastGroup> groups{
        {{u"open"_s, u"buka"_s}, {u"close"_s, u"closed"_s, u"shut"_s, u"tutup"_s}},
        {{u"hot"_s, u"panas"_s}, {u"cold"_s, u"ice"_s, u"iced"_s, u"sejuk"_s, u"ais"_s}, {u"warm"_s, u"suam"_s}},
        {{u"left"_s, u"kiri"_s}, {u"right"_s, u"kanan"_s}},
        {{u"less"_s, u"kurang"_s, u"kurangkan"_s, u"sikit"_s},
         {u"not"_s, u"tak"_s, u"tidak"_s, u"tanpa"_s, u"kosong"_s, u"jangan"_s, u"bukan"_s},
         {u"more"_s, u"extra"_s, u"tambah"_s, u"lebih"_s}},
        {{u"arrive"_s, u"arrival"_s, u"ketibaan"_s, u"tiba"_s},
         {u"depart"_s, u"departure"_s, u"berlepas"_s, u"bertolak"_s}},
        {{u"entrance"_s, u"enter"_s, u"entry"_s, u"masuk"_s}, {u"exit"_s, u"keluar"_s}},
        {{u"push"_s, u"tolak"_s}, {u"pull"_s, u"tarik"_s}},
        {{u"buy"_s, u"beli"_s}, {u"sell"_s, u"jual"_s, u"dijual"_s}},
        {{u"first"_s, u"pertama"_s}, {u"last"_s, u"terakhir"_s}, {u"next"_s, u"seterusnya"_s, u"berikutnya"_s}},
        {{u"big"_s, u"besar"_s}, {u"small"_s, u"kecil"_s}},
        {{u"cheap"_s, u"cheaper"_s, u"murah"_s}, {u"expensive"_s, u"mahal"_s}},
        {{u"early"_s, u"awal"_s}, {u"late"_s, u"lewat"_s, u"lambat"_s}},
        {{u"slow"_s, u"slowly"_s, u"perlahan"_s}, {u"fast"_s, u"quick"_s, u"quickly"_s, u"laju"_s}},
        {{u"today"_s, u"tonight"_s}, {u"tomorrow"_s, u"esok"_s}, {u"yesterday"_s, u"semalam"_s}},
        {{u"morning"_s, u"pagi"_s},
         {u"afternoon"_s, u"petang"_s},
         {u"evening"_s, u"night"_s, u"tonight"_s, u"malam"_s}},
        {{u"man"_s, u"lelaki"_s}, {u"woman"_s, u"wanita"_s, u"perempuan"_s}},
        {{u"monday"_s, u"isnin"_s},
         {u"tuesday"_s, u"selasa"_s},
         {u"wednesday"_s, u"rabu"_s},
         {u"thursday"_s, u"khamis"_s},
         {u"friday"_s, u"jumaat"_s},
         {u"saturday"_s, u"sabtu"_s},
         {u"sunday"_s, u"ahad"_s}},
        {{u"before"_s, u"sebelum"_s}, {u"after"_s, u"selepas"_s, u"lepas"_s}},
        {{u"start"_s, u"mula"_s}, {u"end"_s, u"finish"_s, u"tamat"_s}},
        {{u"oneway"_s, u"sehala"_s}, {u"returntrip"_s, u"return"_s}},
    };
    return groups;
}

const PersonWords &englishPronouns()
{
    static const PersonWords words{setOf({"i", "me", "myself", "we", "us", "ourselves"}), setOf({"you", "yourself"})};
    return words;
}

const PersonWords &englishPossessives()
{
    static const PersonWords words{setOf({"my", "mine", "our", "ours"}), setOf({"your", "yours"})};
    return words;
}

const PersonWords &malayPronouns()
{
    static const PersonWords words{setOf({"saya", "aku", "kami", "kita"}),
                                   setOf({"awak", "anda", "kamu", "encik", "tuan", "puan"})};
    return words;
}

} // namespace WordTables
