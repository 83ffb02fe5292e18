// Fills an empty Quorvel database (made by `quorvel-cli init-db`) with three
// large projects for the benchmarks, of PROGRAMMES programmes (1,000,000
// unless given):
//   project 1: 100 channels with PROGRAMMES / 100 programmes each, added one
//              day at a time across all channels, as a daily listings import
//              would;
//   project 2: PROGRAMMES / 10 channels with 5 template lines each;
//   project 3: one channel with PROGRAMMES programmes, for the programme
//              window, which lists one channel's.
// Values have realistic lengths and about one in ten carries a character of
// Windows-1252 beyond ASCII; a few carry one the code page cannot hold.
// The data is the same on every run.

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int programmeChannels = 100;
int programmesPerChannel = 10000;
constexpr int programmesPerDay = 20;
int templateChannels = 10000;
constexpr int templatesPerChannel = 5;

const char *const words[] = {
    "the",    "news",    "night",   "garden",  "world",   "great",  "british", "kitchen",
    "live",   "match",   "of",      "day",     "special", "house",  "island",  "mystery",
    "police", "weather", "travel",  "quiz",    "family",  "story",  "history", "wild",
    "ocean",  "city",    "country", "music",   "show",    "late",   "morning", "coast",
    "secret", "life",    "planet",  "journey", "final",   "season", "return",  "road"};

// Characters beyond ASCII, in UTF-8: most are in Windows-1252, the last two are not.
const char *const accents[] = {"\xC3\xA9",     "\xE2\x80\x99", "\xE2\x80\x93", "\xE2\x82\xAC",
                               "\xE2\x80\x9C", "\xE2\x80\x9D", "\xC3\xBC",     "\xC2\xA3",
                               "\xE2\x84\xA2", "\xE2\x80\xA6", "\xE2\x86\x92", "\xF0\x9F\x93\xBA"};

const char *const categories[] = {"Adult Entertainment",
                                  "Animation",
                                  "Arts",
                                  "Business and Finance",
                                  "Childrens",
                                  "Comedy",
                                  "Consumer",
                                  "Cookery",
                                  "DIY",
                                  "Documentary",
                                  "Drama",
                                  "Education",
                                  "Entertainment",
                                  "Fashion",
                                  "Film",
                                  "Game Show",
                                  "Gardening",
                                  "Health",
                                  "History Documentary",
                                  "Kids Drama",
                                  "Magazine Programme",
                                  "Motoring",
                                  "Music",
                                  "Nature",
                                  "News",
                                  "Political",
                                  "Quiz Show",
                                  "Religious",
                                  "Science Fiction Series",
                                  "Scientific Documentary",
                                  "Series",
                                  "Sitcom",
                                  "Soap",
                                  "Special Interest",
                                  "Sport",
                                  "Talk Show",
                                  "Technology",
                                  "Travel"};

template<typename T, std::size_t N> constexpr std::size_t countOf(T (&)[N])
{
    return N;
}

std::mt19937 rng(20240101);

int between(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

// Words up to about `length` characters; one value in ten gets a character
// beyond ASCII, and one of those in six one the code page cannot hold.
std::string text(int length, bool capitalise)
{
    std::string out;
    while (int(out.size()) < length) {
        if (!out.empty())
            out += ' ';
        out += words[between(0, int(countOf(words)) - 1)];
    }
    if (capitalise)
        out[0] = char(out[0] - 'a' + 'A');
    if (between(1, 10) == 1)
        out.insert(std::size_t(between(0, int(out.size()))), accents[between(0, 11)]);
    return out;
}

void check(int status, sqlite3 *db, const char *what)
{
    if (status != SQLITE_OK && status != SQLITE_DONE && status != SQLITE_ROW) {
        std::fprintf(stderr, "quorvel-bench-generate: %s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

struct Statement
{
    Statement(sqlite3 *db, const char *sql) : db(db)
    {
        check(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), db, sql);
    }
    ~Statement() { sqlite3_finalize(statement); }

    Statement &bind(int index, const std::string &value)
    {
        check(
            sqlite3_bind_text(statement, index, value.c_str(), int(value.size()), SQLITE_TRANSIENT),
            db, "bind");
        return *this;
    }
    Statement &bind(int index, sqlite3_int64 value)
    {
        check(sqlite3_bind_int64(statement, index, value), db, "bind");
        return *this;
    }
    sqlite3_int64 run()
    {
        check(sqlite3_step(statement), db, "insert");
        sqlite3_reset(statement);
        return sqlite3_last_insert_rowid(db);
    }

    sqlite3 *db;
    sqlite3_stmt *statement = nullptr;
};

std::string date(int day)
{
    // Days from 1 January 2024, in the form the programme editor is typed in.
    static const int lengths[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 2024, month = 0;
    for (;;) {
        const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
        const int inMonth = month == 1 && !leap ? 28 : lengths[month];
        if (day < inMonth)
            break;
        day -= inMonth;
        if (++month == 12) {
            month = 0;
            ++year;
        }
    }
    char out[16];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", year, month + 1, day + 1);
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: quorvel-bench-generate DATABASE [PROGRAMMES] (DATABASE made "
                             "by quorvel-cli init-db)\n");
        return 2;
    }
    const int programmes = argc == 3 ? std::atoi(argv[2]) : 1000000;
    if (programmes < programmeChannels * programmesPerDay) {
        std::fprintf(stderr, "quorvel-bench-generate: at least %d programmes\n",
                     programmeChannels * programmesPerDay);
        return 2;
    }
    programmesPerChannel = programmes / programmeChannels;
    templateChannels = programmes / 10;
    sqlite3 *db = nullptr;
    check(sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr), db, argv[1]);
    check(sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN", nullptr,
                       nullptr, nullptr),
          db, "begin");

    Statement project(db, "INSERT INTO ProjectData (projectName, ContactName, ContacteMail, "
                          "ContactURL, ContactDesc) VALUES (?, ?, ?, ?, ?)");
    Statement channel(db, "INSERT INTO ChannelData (projectID, channelName, channelNumber, "
                          "channelURL, logoURL, dataURL, updateFrequency) "
                          "VALUES (?, ?, ?, ?, ?, ?, ?)");
    Statement line(db, "INSERT INTO TemplateData (channelID, templateData) VALUES (?, ?)");
    Statement programme(db, "INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, "
                            "startDate, startTime, duration, category) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?)");

    const auto addChannel = [&](sqlite3_int64 projectID, int number) {
        const std::string site = std::string("http://www.") +
                                 words[between(0, int(countOf(words)) - 1)] + "tv.example/ch" +
                                 std::to_string(number);
        return channel.bind(1, projectID)
            .bind(2, text(between(6, 24), true))
            .bind(3, std::to_string(100 + number))
            .bind(4, site + "/index.html")
            .bind(5, site + "/logo.gif")
            .bind(6, site + "/listings.xml")
            .bind(7, std::to_string(between(1, 14)))
            .run();
    };

    const sqlite3_int64 listings = project.bind(1, std::string("Bench listings"))
                                       .bind(2, std::string("Bench Listings Ltd"))
                                       .bind(3, std::string("listings@bench.example"))
                                       .bind(4, std::string("http://www.bench.example/"))
                                       .bind(5, std::string("Programme listings for the benchmark"))
                                       .run();
    std::vector<sqlite3_int64> channels;
    for (int c = 0; c < programmeChannels; ++c)
        channels.push_back(addChannel(listings, c));
    const int days = programmesPerChannel / programmesPerDay;
    for (int day = 0; day < days; ++day) {
        const std::string startDate = date(day);
        for (sqlite3_int64 channelID : channels) {
            int minute = 6 * 60;
            for (int slot = 0; slot < programmesPerDay; ++slot) {
                const int duration = between(1, 6) * 15;
                char startTime[8];
                std::snprintf(startTime, sizeof startTime, "%02d:%02d", minute / 60 % 24,
                              minute % 60);
                minute += duration;
                programme.bind(1, channelID)
                    .bind(2, text(between(8, 40), true))
                    .bind(3, text(between(60, 300), true) + ".")
                    .bind(4, startDate)
                    .bind(5, std::string(startTime))
                    .bind(6, std::to_string(duration))
                    .bind(7, std::string(categories[between(0, int(countOf(categories)) - 1)]))
                    .run();
            }
        }
    }

    const sqlite3_int64 lineup = project.bind(1, std::string("Bench channels"))
                                     .bind(2, std::string("Bench Channels Ltd"))
                                     .bind(3, std::string("channels@bench.example"))
                                     .bind(4, std::string("http://channels.bench.example/"))
                                     .bind(5, std::string("Channel definitions for the benchmark"))
                                     .run();
    for (int c = 0; c < templateChannels; ++c) {
        const sqlite3_int64 channelID = addChannel(lineup, c);
        for (int k = 0; k < templatesPerChannel; ++k) {
            line.bind(1, channelID)
                .bind(2, text(between(6, 16), true) + ", " +
                             categories[between(0, int(countOf(categories)) - 1)] + ", " +
                             std::to_string(between(1, 999)))
                .run();
        }
    }

    const sqlite3_int64 window = project.bind(1, std::string("Bench window"))
                                     .bind(2, std::string("Bench Window Ltd"))
                                     .bind(3, std::string("window@bench.example"))
                                     .bind(4, std::string("http://window.bench.example/"))
                                     .bind(5, std::string("One long channel"))
                                     .run();
    const sqlite3_int64 longChannel = addChannel(window, 0);
    for (int i = 0; i < programmes; ++i) {
        const int minute = 6 * 60 + (i % programmesPerDay) * 45;
        char startTime[8];
        std::snprintf(startTime, sizeof startTime, "%02d:%02d", minute / 60 % 24, minute % 60);
        programme.bind(1, longChannel)
            .bind(2, text(between(8, 40), true))
            .bind(3, std::string())
            .bind(4, date(i / programmesPerDay % 3000))
            .bind(5, std::string(startTime))
            .bind(6, std::string("45"))
            .bind(7, std::string(categories[between(0, int(countOf(categories)) - 1)]))
            .run();
    }

    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
    std::printf("project %lld: %d channels x %d programmes\n", (long long)listings,
                programmeChannels, programmesPerChannel);
    std::printf("project %lld: %d channels x %d template lines\n", (long long)lineup,
                templateChannels, templatesPerChannel);
    std::printf("project %lld: channel %lld with %d programmes\n", (long long)window,
                (long long)longChannel, programmes);
    return 0;
}
