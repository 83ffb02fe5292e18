// One of the processes bench/torture.sh runs on one shared database file. It
// does what users do, through the commands the windows call and through
// quorvel-cli, until a given time, and logs every change it makes so that
// bench/torture_check.py can tell what the database must hold.
//
//   quorvel-torture-worker --db PATH --slot N --log FILE --cli PATH --dir DIR
//                          --seed SEED --until EPOCH_SECONDS
//
// The log holds one JSON object a line, each put there by one write(2): a
// kill -9 can neither tear nor undo a write that has returned (only a crash
// of the machine could), so no fsync is needed.
//   {"start":PID,"seed":S}              a worker begins (a killed one's replacement too)
//   {"seq":N,"op":OP,...}               before each command; every text a change
//                                       stores carries the token "w<slot>-c<N>"
//   {"seq":N,"ok":true,...}             it committed, with the identifiers it gave
//   {"seq":N,"refused":REASON}          refused cleanly: nothing changed
//   {"seq":N,"failed":MESSAGE}          any other failure
//   {"seq":N,"killed":true}             the quorvel-cli running it was killed
//   {"freeze":KEY}, {"end":true}        see below; it stopped on time
// A change without a known outcome (killed between its two lines, failed,
// its quorvel-cli killed, or added without its identifier being found) may
// or may not be in the database. Its project (KEY: the identifier, or the
// name of a project being made) is frozen from then on: no worker of the
// slot touches it again, so the checker can accept it as before or after.

#include "channels/Channels.h"
#include "programmes/Programmes.h"
#include "projects/Projects.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleCommands.h"
#include "schedule/ScheduleTimes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUndoStack>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>
#include <optional>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// 2030-01-01 00:00 UTC: every guide starts within the two days after it, so
// that re-imports replace part of what the last ones brought.
constexpr qint64 guideEpoch = 1893456000;

// The schedule columns the worker edits, by the names the log gives them.
const QList<QPair<int, QString>> editedColumns = {
    {schedule::Name, u"name"_s},         {schedule::Synopsis, u"desc"_s},
    {schedule::Date, u"date"_s},         {schedule::Start, u"time"_s},
    {schedule::Duration, u"duration"_s}, {schedule::Category, u"category"_s}};

QJsonValue textValue(const QString &text)
{
    return text.isNull() ? QJsonValue() : QJsonValue(text);
}

QJsonArray rowsJson(const QList<schedule::Programme> &rows)
{
    QJsonArray array;
    for (const schedule::Programme &row : rows) {
        QJsonObject object{{u"id"_s, row.programmeID}};
        for (const auto &[column, name] : editedColumns)
            object.insert(name, textValue(schedule::cellText(row, column)));
        array.append(object);
    }
    return array;
}

QJsonArray idsJson(const QList<schedule::Programme> &rows)
{
    QJsonArray ids;
    for (const schedule::Programme &row : rows)
        ids.append(row.programmeID);
    return ids;
}

QJsonObject boxesJson(const programmes::ProgrammeRow &p)
{
    return {{u"name"_s, p.programmeName}, {u"desc"_s, p.programmeDesc},
            {u"date"_s, p.startDate},     {u"time"_s, p.startTime},
            {u"duration"_s, p.duration},  {u"category"_s, p.category}};
}

QJsonObject channelJson(const channels::Channel &c)
{
    return {{u"name"_s, c.name},
            {u"number"_s, c.number},
            {u"url"_s, c.channelURL},
            {u"logo"_s, c.logoURL},
            {u"data"_s, c.dataURL},
            {u"frequency"_s, c.updateFrequency},
            {u"lines"_s, QJsonArray::fromStringList(c.templateLines)}};
}

// Why a command was refused, when the refusal was clean; empty for a failure.
QString refusal(const QString &message, bool othersData)
{
    if (message.contains(u"kept it locked for more than"_s))
        return u"locked"_s;
    // What another process owns may be deleted between its listing and its reading.
    if (othersData && (message.contains(u"There is no project with the identifier"_s) ||
                       message.contains(u"no longer"_s)))
        return u"gone"_s;
    return {};
}

// The undo steps report a failure to their window; here it is kept to be logged.
class StepView final : public ScheduleView
{
public:
    explicit StepView(QString path) : m_path(std::move(path)) {}
    QString databasePath() const override { return m_path; }
    void showChange(qint32, const QList<qint32> &) override {}
    void showEdit(qint32, qint32, int, const QString &) override {}
    void showStepFailure(const store::Failure &failure) override { this->failure = failure; }

    std::optional<store::Failure> failure;

private:
    QString m_path;
};

// An open schedule window: one channel and its undo history, which closing forgets.
struct Session
{
    // What a step on the stack does, for the log lines of its undo and redo.
    struct Plan
    {
        QString kind;
        bool addsRows = false;
        qint32 id = 0;
        QString field, before, after;
    };

    Session(const QString &db, qint32 project, qint32 channel, int steps)
        : project(project), channel(channel), stepsLeft(steps), view(db)
    {
    }

    qint32 project, channel;
    int stepsLeft;
    StepView view;
    QUndoStack stack;
    QHash<const QUndoCommand *, Plan> plans;
};

struct Options
{
    QString db, log, cli, dir;
    int slot = 0;
    quint32 seed = 0;
    qint64 until = 0;
};

struct CliRun
{
    bool killed = false;
    std::optional<store::Failure> failure;
    QByteArray out;
};

class Worker
{
public:
    explicit Worker(Options options);
    void run();

private:
    int pick(qsizetype n) { return int(std::uniform_int_distribution<qsizetype>(0, n - 1)(m_rng)); }
    bool chance(int percent) { return pick(100) < percent; }
    QString token() const { return m_prefix + u"c"_s + QString::number(m_seq + 1); }

    void recall();
    void log(const QJsonObject &object);
    void intend(QJsonObject intent);
    bool settle(const std::optional<store::Failure> &failure, QJsonObject done = {});
    template<typename T> bool settle(const store::Result<T> &result, QJsonObject done = {})
    {
        return settle(result ? std::nullopt : std::optional(result.failure()), std::move(done));
    }
    bool settle(const CliRun &run);
    void freeze(const QJsonObject &intent, bool logIt);
    bool frozen(const ListEntry &project) const;
    template<typename Read>
    auto look(const QString &kind, bool others, Read &&read)
        -> std::optional<std::decay_t<decltype(read().value())>>;
    template<typename List> void settleAdded(List &&list, const QString &text);
    CliRun cli(const QStringList &arguments);

    void step();
    void newProject();
    void channelWork(qint32 project, int roll);
    channels::Channel channelBoxes(const QString &token);
    QString cellText(int column);
    programmes::ProgrammeRow programmeBoxes(const QString &token, bool every);
    void scheduleStep();
    void editCell(const QList<schedule::Programme> &rows);
    void pushRows(RowsStep::Kind kind, QList<schedule::Programme> rows, const QString &name);
    void undoOrRedo(bool undo);
    QJsonObject rowsIntent(bool adds, const QList<schedule::Programme> &rows, const QString &kind);
    QJsonObject cellIntent(qint32 id, const QString &field, const QString &text,
                           const QString &kind);
    void importGuide(qint32 project);
    void exportProject();
    void readOthers();

    Options m_o;
    QString m_prefix;
    std::mt19937 m_rng;
    int m_logFd = -1;
    qint64 m_seq = 0;
    QJsonObject m_intent;
    QSet<QString> m_frozen;
    std::unique_ptr<Session> m_session;
};

Worker::Worker(Options options)
    : m_o(std::move(options)), m_prefix(u"w%1-"_s.arg(m_o.slot)), m_rng(m_o.seed)
{
    recall();
    m_logFd = ::open(QFile::encodeName(m_o.log).constData(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (m_logFd < 0)
        qFatal("cannot open the log %s", qPrintable(m_o.log));
    // A line torn by an earlier kill must not swallow this worker's first one.
    if (::write(m_logFd, "\n", 1) != 1)
        qFatal("cannot write the log %s", qPrintable(m_o.log));
    log({{u"start"_s, qint64(getpid())}, {u"seed"_s, qint64(m_o.seed)}});
}

// Takes up where the slot's earlier workers stopped: the next token, and the
// projects whose last change has no known outcome.
void Worker::recall()
{
    QFile file(m_o.log);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QJsonObject pending;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.contains(u"freeze"_s))
            m_frozen.insert(o.value(u"freeze"_s).toVariant().toString());
        if (o.contains(u"start"_s) || o.contains(u"op"_s)) {
            freeze(pending, false);
            pending = o;
        } else if (o.contains(u"seq"_s)) {
            if (o.contains(u"failed"_s) || o.contains(u"killed"_s))
                freeze(pending, false);
            pending = {};
        }
        m_seq = std::max(m_seq, o.value(u"seq"_s).toInteger());
    }
    freeze(pending, false);
}

void Worker::log(const QJsonObject &object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    if (::write(m_logFd, line.constData(), size_t(line.size())) != line.size())
        qFatal("cannot write the log %s", qPrintable(m_o.log));
}

void Worker::intend(QJsonObject intent)
{
    intent.insert(u"seq"_s, ++m_seq);
    m_intent = intent;
    log(intent);
}

bool Worker::settle(const std::optional<store::Failure> &failure, QJsonObject done)
{
    const qint64 seq = m_seq;
    if (!failure) {
        done.insert(u"seq"_s, seq);
        done.insert(u"ok"_s, true);
        log(done);
        return true;
    }
    const QString message = failure->text().simplified();
    // A save over someone else's change is refused with nothing changed.
    if (const QString reason = failure->isConflict()
                                   ? u"changed"_s
                                   : refusal(message, m_intent.value(u"others"_s).toBool());
        !reason.isEmpty()) {
        log({{u"seq"_s, seq}, {u"refused"_s, reason}});
    } else {
        log({{u"seq"_s, seq}, {u"failed"_s, message}});
        freeze(m_intent, false);
    }
    return false;
}

bool Worker::settle(const CliRun &run)
{
    if (!run.killed)
        return settle(run.failure);
    log({{u"seq"_s, m_seq}, {u"killed"_s, true}});
    freeze(m_intent, false);
    return false;
}

void Worker::freeze(const QJsonObject &intent, bool logIt)
{
    const QString op = intent.value(u"op"_s).toString();
    if (op.isEmpty() || op == u"read"_s)
        return;
    const QString key = intent.contains(u"project"_s)
                            ? QString::number(intent.value(u"project"_s).toInteger())
                            : intent.value(u"name"_s).toString();
    m_frozen.insert(key);
    if (logIt)
        log({{u"freeze"_s, key}});
    if (m_session && key == QString::number(m_session->project))
        m_session.reset();
}

bool Worker::frozen(const ListEntry &project) const
{
    return m_frozen.contains(QString::number(project.id)) || m_frozen.contains(project.text);
}

// A read the window would make before the command, logged so that its
// refusals and failures are counted too.
template<typename Read>
auto Worker::look(const QString &kind, bool others, Read &&read)
    -> std::optional<std::decay_t<decltype(read().value())>>
{
    intend({{u"op"_s, u"read"_s}, {u"kind"_s, kind}, {u"others"_s, others}});
    auto result = read();
    if (!settle(result))
        return std::nullopt;
    return std::move(result).value();
}

// Logs an addition as done, with the identifier of the new row found as the
// window finds it: by reading its list again, a few times if the database is
// busy. A row that cannot be found freezes its project, since no later
// change could name it.
template<typename List> void Worker::settleAdded(List &&list, const QString &text)
{
    QJsonObject done{{u"id"_s, QJsonValue()}};
    for (int attempt = 0; attempt < 5; ++attempt) {
        const auto entries = list();
        if (!entries) {
            done.insert(u"why"_s, entries.failure().text().simplified());
            continue;
        }
        done.insert(u"why"_s, u"not in the list read again"_s);
        for (const ListEntry &entry : entries.value()) {
            if (entry.text == text)
                done = {{u"id"_s, entry.id}};
        }
        break;
    }
    settle(std::nullopt, done);
    if (done.value(u"id"_s).isNull())
        freeze(m_intent, true);
}

CliRun Worker::cli(const QStringList &arguments)
{
    QList<QByteArray> strings{QFile::encodeName(m_o.cli)};
    for (const QString &argument : arguments)
        strings << argument.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const QByteArray out = QFile::encodeName(m_o.dir + u"/cli.out"_s);
    const QByteArray err = QFile::encodeName(m_o.dir + u"/cli.err"_s);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        // A killed worker takes its quorvel-cli with it, as a user's Ctrl+C would.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(::open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(::open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    CliRun run;
    QFile outFile(QFile::decodeName(out)), errFile(QFile::decodeName(err));
    if (outFile.open(QIODevice::ReadOnly))
        run.out = outFile.readAll();
    const QString said = errFile.open(QIODevice::ReadOnly)
                             ? QString::fromLocal8Bit(errFile.readAll()).simplified()
                             : QString();
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        run.killed = true;
    else if (WIFSIGNALED(status))
        run.failure =
            store::Failure{{}, u"quorvel-cli died of signal %1"_s.arg(WTERMSIG(status)), {}};
    // 3 is export-xmltv's "done, some programmes left out".
    else if (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 3)
        run.failure = store::Failure{{}, u"exit %1: %2"_s.arg(WEXITSTATUS(status)).arg(said), {}};
    return run;
}

void Worker::run()
{
    while (QDateTime::currentSecsSinceEpoch() < m_o.until)
        step();
    log({{u"end"_s, true}});
}

void Worker::step()
{
    if (m_session)
        return scheduleStep();
    const int roll = pick(100);
    if (roll >= 80)
        return roll < 90 ? exportProject() : readOthers();
    const auto all = look(u"listProjects"_s, false, [&] { return projects::listProjects(m_o.db); });
    if (!all)
        return;
    QList<ListEntry> own;
    for (const ListEntry &project : *all) {
        if (project.text.startsWith(m_prefix) && !frozen(project))
            own << project;
    }
    if (own.isEmpty() || (own.size() < 4 && roll < 3))
        return newProject();
    const ListEntry &project = own.at(pick(own.size()));
    if (roll < 6) {
        const QString name = token();
        intend({{u"op"_s, u"renameProject"_s}, {u"project"_s, project.id}, {u"name"_s, name}});
        settle(projects::renameProject(m_o.db, project.id, name));
    } else if (roll < 8 && own.size() > 1) {
        intend({{u"op"_s, u"deleteProject"_s}, {u"project"_s, project.id}});
        settle(projects::deleteProject(m_o.db, project.id));
    } else if (roll < 18) {
        importGuide(project.id);
    } else {
        channelWork(project.id, roll);
    }
}

void Worker::newProject()
{
    const QString name = token();
    intend({{u"op"_s, u"newProject"_s}, {u"name"_s, name}});
    if (const auto added = projects::newProject(m_o.db, name); !added)
        settle(added);
    else
        settleAdded([&] { return projects::listProjects(m_o.db); }, name);
}

// The channel window and the windows it opens, on one of the worker's projects.
void Worker::channelWork(qint32 project, int roll)
{
    const auto listed =
        look(u"listChannels"_s, false, [&] { return channels::listChannels(m_o.db, project); });
    if (!listed)
        return;
    // The channels imports made are left to the imports, but for their deletion.
    QList<ListEntry> all, made;
    for (const ListEntry &channel : *listed) {
        all << channel;
        if (!channel.text.startsWith(m_prefix + u"guide"_s))
            made << channel;
    }
    const auto inProject = [&](QJsonObject intent) {
        intent.insert(u"project"_s, project);
        return intent;
    };
    if (made.isEmpty() || roll < 24) {
        const channels::Channel channel = channelBoxes(token());
        intend(inProject({{u"op"_s, u"addChannel"_s}, {u"channel"_s, channelJson(channel)}}));
        if (const auto saved = channels::saveChannel(m_o.db, 0, project, channel, {}))
            settle(saved, {{u"id"_s, saved.value()}});
        else
            settle(saved);
        return;
    }
    const qint32 channel = made.at(pick(made.size())).id;
    if (roll < 29) {
        auto loaded =
            look(u"loadChannel"_s, false, [&] { return channels::loadChannel(m_o.db, channel); });
        if (!loaded)
            return;
        const channels::Channel read = *loaded;
        const channels::Channel fresh = channelBoxes(token());
        loaded->name = fresh.name;
        if (chance(50))
            loaded->number = fresh.number;
        if (chance(50))
            loaded->templateLines = fresh.templateLines;
        intend(inProject({{u"op"_s, u"changeChannel"_s},
                          {u"channel"_s, channel},
                          {u"fields"_s, channelJson(*loaded)}}));
        settle(channels::saveChannel(m_o.db, channel, project, *loaded, read));
    } else if (roll < 31) {
        const ListEntry victim = all.at(pick(all.size()));
        intend(inProject({{u"op"_s, u"deleteChannel"_s},
                          {u"channel"_s, victim.id},
                          {u"name"_s, victim.text.left(victim.text.lastIndexOf(u" ("_s))}}));
        settle(channels::deleteChannel(m_o.db, victim.id));
    } else if (roll < 44) {
        const QString name = token();
        const programmes::ProgrammeRow boxes = programmeBoxes(name, chance(70));
        intend(inProject({{u"op"_s, u"addProgramme"_s},
                          {u"channel"_s, channel},
                          {u"boxes"_s, boxesJson(boxes)}}));
        if (const auto added = programmes::addProgramme(m_o.db, channel, boxes); !added)
            settle(added);
        else
            settleAdded([&] { return programmes::listProgrammes(m_o.db, channel); }, name);
    } else if (roll < 56) {
        const auto listed = look(u"listProgrammes"_s, false,
                                 [&] { return programmes::listProgrammes(m_o.db, channel); });
        if (!listed || listed->isEmpty())
            return;
        const qint32 id = listed->idAt(pick(listed->size()));
        if (roll >= 52) {
            intend(inProject(
                {{u"op"_s, u"deleteProgramme"_s}, {u"channel"_s, channel}, {u"id"_s, id}}));
            settle(programmes::deleteProgramme(m_o.db, id));
            return;
        }
        // The editor shows the programme first; its empty boxes leave columns as they are.
        const auto read =
            look(u"loadProgramme"_s, false, [&] { return programmes::loadProgramme(m_o.db, id); });
        if (!read)
            return;
        const programmes::ProgrammeRow boxes = programmeBoxes(token(), false);
        intend(inProject({{u"op"_s, u"changeProgramme"_s},
                          {u"channel"_s, channel},
                          {u"id"_s, id},
                          {u"boxes"_s, boxesJson(boxes)}}));
        settle(programmes::changeProgramme(m_o.db, id, boxes, *read));
    } else {
        m_session = std::make_unique<Session>(m_o.db, project, channel, 3 + pick(10));
    }
}

channels::Channel Worker::channelBoxes(const QString &token)
{
    channels::Channel channel;
    channel.name = token;
    channel.number = QString::number(1 + pick(999));
    channel.updateFrequency = QString::number(1 + pick(7));
    channel.channelURL = u"http://%1.example/"_s.arg(token);
    channel.logoURL = channel.channelURL + u"logo.png"_s;
    channel.dataURL = channel.channelURL + u"data"_s;
    for (int i = 0, lines = pick(4); i < lines; ++i)
        channel.templateLines << u"%1 Template %2, News, %3"_s.arg(token).arg(i).arg(pick(100));
    return channel;
}

// A text as a user would type it into the schedule's column.
QString Worker::cellText(int column)
{
    switch (column) {
    case schedule::Name:
        return token();
    case schedule::Synopsis:
        return token() + u" synopsis"_s;
    case schedule::Date:
        return u"2030-01-%1"_s.arg(1 + pick(28), 2, 10, QLatin1Char('0'));
    case schedule::Start:
        return u"%1:%2"_s.arg(pick(24), 2, 10, QLatin1Char('0'))
            .arg(5 * pick(12), 2, 10, QLatin1Char('0'));
    case schedule::Duration:
        return QString::number(5 * (1 + pick(24)));
    default:
        return programmes::categories().at(pick(programmes::categories().size()));
    }
}

// The programme editor's boxes; a change fills some of them.
programmes::ProgrammeRow Worker::programmeBoxes(const QString &token, bool every)
{
    programmes::ProgrammeRow boxes;
    boxes.programmeName = token;
    const auto fill = [&](QString &box, int column) {
        if (every || chance(40))
            box = cellText(column);
    };
    fill(boxes.programmeDesc, schedule::Synopsis);
    fill(boxes.startDate, schedule::Date);
    fill(boxes.startTime, schedule::Start);
    fill(boxes.duration, schedule::Duration);
    fill(boxes.category, schedule::Category);
    return boxes;
}

QJsonObject Worker::cellIntent(qint32 id, const QString &field, const QString &text,
                               const QString &kind)
{
    return {{u"op"_s, u"cell"_s},
            {u"kind"_s, kind},
            {u"project"_s, m_session->project},
            {u"channel"_s, m_session->channel},
            {u"id"_s, id},
            {u"field"_s, field},
            {u"text"_s, textValue(text)}};
}

QJsonObject Worker::rowsIntent(bool adds, const QList<schedule::Programme> &rows,
                               const QString &kind)
{
    QJsonObject intent{
        {u"kind"_s, kind}, {u"project"_s, m_session->project}, {u"channel"_s, m_session->channel}};
    if (adds) {
        intent.insert(u"op"_s, u"addRows"_s);
        intent.insert(u"rows"_s, rowsJson(rows));
    } else {
        intent.insert(u"op"_s, u"removeRows"_s);
        intent.insert(u"ids"_s, idsJson(rows));
    }
    return intent;
}

// One action in the open schedule window, through its undo stack.
void Worker::scheduleStep()
{
    Session &s = *m_session;
    if (--s.stepsLeft < 0) {
        m_session.reset(); // closed: the undo history goes with the window
        return;
    }
    const int roll = pick(100);
    if (roll < 20 && s.stack.canUndo())
        return undoOrRedo(true);
    if (roll < 30 && s.stack.canRedo())
        return undoOrRedo(false);
    const auto rows =
        look(u"loadSchedule"_s, false, [&] { return schedule::loadSchedule(m_o.db, s.channel); });
    if (!rows)
        return;
    if (rows->isEmpty() || roll < 45) {
        const schedule::Programme next =
            rows->isEmpty() ? schedule::firstProgramme(QDate::currentDate())
                            : schedule::followingProgramme(rows->at(pick(rows->size())),
                                                           QTimeZone::systemTimeZone());
        return pushRows(RowsStep::Kind::Add, {next}, u"insert"_s);
    }
    if (roll < 75)
        return editCell(*rows);
    // A selection of a few neighbouring rows.
    const qsizetype first = pick(rows->size());
    const QList<schedule::Programme> selected =
        rows->mid(first, std::min<qsizetype>(1 + pick(3), rows->size() - first));
    if (roll < 88)
        return pushRows(RowsStep::Kind::Remove, selected, u"delete"_s);
    schedule::RepeatPlan plan;
    plan.every = std::array{schedule::Every::Day, schedule::Every::Weekday,
                            schedule::Every::Week}[std::size_t(pick(3))];
    plan.times = 1 + pick(4);
    const schedule::Repeated repeated = schedule::repeatProgrammes(selected, plan);
    if (repeated.error.isEmpty())
        pushRows(RowsStep::Kind::Add, repeated.copies, u"repeat"_s);
}

void Worker::editCell(const QList<schedule::Programme> &rows)
{
    Session &s = *m_session;
    const schedule::Programme &row = rows.at(pick(rows.size()));
    const auto &[column, field] = editedColumns.at(pick(editedColumns.size()));
    const QString after = cellText(column);
    intend(cellIntent(row.programmeID, field, after, u"edit"_s));
    s.view.failure.reset();
    auto *step =
        new EditStep(s.view, s.channel, row, column, schedule::cellText(row, column), after);
    s.plans.insert(
        step, {u"edit"_s, false, row.programmeID, field, schedule::cellText(row, column), after});
    s.stack.push(step); // a step that could not be stored is dropped at once
    settle(s.view.failure);
}

void Worker::pushRows(RowsStep::Kind kind, QList<schedule::Programme> rows, const QString &name)
{
    Session &s = *m_session;
    const bool adds = kind == RowsStep::Kind::Add;
    intend(rowsIntent(adds, rows, name));
    s.view.failure.reset();
    auto *step = new RowsStep(s.view, s.channel, kind, std::move(rows), name);
    s.plans.insert(step, {name, adds, 0, {}, {}, {}});
    s.stack.push(step);
    if (s.view.failure)
        settle(s.view.failure);
    else
        settle(std::nullopt, {{u"ids"_s, idsJson(step->rows())}});
}

void Worker::undoOrRedo(bool undo)
{
    Session &s = *m_session;
    const QUndoCommand *command = s.stack.command(undo ? s.stack.index() - 1 : s.stack.index());
    const Session::Plan plan = s.plans.value(command);
    const QString kind = (undo ? u"undo "_s : u"redo "_s) + plan.kind;
    const auto *rows = plan.kind == u"edit"_s ? nullptr : static_cast<const RowsStep *>(command);
    if (!rows)
        intend(cellIntent(plan.id, plan.field, undo ? plan.before : plan.after, kind));
    else
        intend(rowsIntent(plan.addsRows != undo, rows->rows(), kind));
    s.view.failure.reset();
    if (undo)
        s.stack.undo();
    else
        s.stack.redo();
    if (s.view.failure)
        settle(s.view.failure); // the stack has dropped the step
    else
        settle(std::nullopt, rows ? QJsonObject{{u"ids"_s, idsJson(rows->rows())}} : QJsonObject());
}

QString xmltvTime(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(u"yyyyMMddHHmmss"_s) +
           u" +0000"_s;
}

// quorvel-cli import-xmltv of a guide of one or two channels of contiguous
// half-hour programmes, each titled with the command's token.
void Worker::importGuide(qint32 project)
{
    const QString token = this->token();
    const int channels = 1 + pick(2);
    const int total = 50 + pick(1951);
    QString xml = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tv>\n"_s;
    QString programmes;
    QJsonArray specs;
    for (int k = 1; k <= channels; ++k) {
        const QString name = m_prefix + u"guide"_s + QString::number(k);
        const QString id = name + u".torture"_s;
        const int count =
            k < channels ? total / channels : total - (channels - 1) * (total / channels);
        const qint64 from = guideEpoch + 1800 * pick(96);
        xml += u"<channel id=\"%1\"><display-name>%2</display-name></channel>\n"_s.arg(id, name);
        for (int i = 0; i < count; ++i) {
            programmes +=
                u"<programme start=\"%1\" stop=\"%2\" channel=\"%3\"><title>%4-g%5-%6"
                "</title><category>News</category></programme>\n"_s
                    .arg(xmltvTime(from + 1800 * i), xmltvTime(from + 1800 * (i + 1)), id, token)
                    .arg(k)
                    .arg(i);
        }
        specs.append(
            QJsonObject{{u"k"_s, k}, {u"name"_s, name}, {u"from"_s, from}, {u"count"_s, count}});
    }
    const QString path = m_o.dir + u"/guide.xml"_s;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write((xml + programmes + u"</tv>\n"_s).toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    intend({{u"op"_s, u"import"_s},
            {u"project"_s, project},
            {u"token"_s, token},
            {u"channels"_s, specs}});
    settle(cli({u"import-xmltv"_s, u"--db"_s, m_o.db, u"--project"_s, QString::number(project),
                u"--in"_s, path, u"--tz"_s, u"UTC"_s}));
}

// One of quorvel-cli's three exports, of the worker's own project or,
// as often, of what another process writes.
void Worker::exportProject()
{
    QList<ListEntry> all;
    if (chance(50)) {
        intend({{u"op"_s, u"read"_s}, {u"kind"_s, u"list-projects"_s}});
        const CliRun listed = cli({u"list-projects"_s, u"--db"_s, m_o.db});
        if (!settle(listed))
            return;
        for (const QByteArray &line : listed.out.split('\n')) {
            if (const qsizetype tab = line.indexOf('\t'); tab > 0)
                all.append({QString::fromUtf8(line.mid(tab + 1)), line.left(tab).toInt()});
        }
    } else if (const auto listed =
                   look(u"listProjects"_s, false, [&] { return projects::listProjects(m_o.db); })) {
        for (const ListEntry &project : *listed)
            all << project;
    }
    if (all.isEmpty())
        return;
    const ListEntry project = all.at(pick(all.size()));
    const QStringList kinds = {u"export-xmltv"_s, u"export-xml"_s, u"export-dgc"_s};
    const QString kind = kinds.at(pick(kinds.size()));
    intend({{u"op"_s, u"read"_s},
            {u"kind"_s, kind},
            {u"project"_s, project.id},
            {u"others"_s, !project.text.startsWith(m_prefix)}});
    QStringList arguments = {kind,
                             u"--db"_s,
                             m_o.db,
                             u"--project"_s,
                             QString::number(project.id),
                             u"--out"_s,
                             m_o.dir + u"/export."_s + kind};
    if (kind == u"export-xmltv"_s)
        arguments << u"--tz"_s << u"UTC"_s;
    settle(cli(arguments));
}

// What another process's windows show: its channels and a schedule; now
// and then quorvel-cli check-db, as make run does.
void Worker::readOthers()
{
    if (chance(15)) {
        intend({{u"op"_s, u"read"_s}, {u"kind"_s, u"check-db"_s}});
        settle(cli({u"check-db"_s, m_o.db}));
        return;
    }
    const auto listed =
        look(u"listProjects"_s, false, [&] { return projects::listProjects(m_o.db); });
    QList<qint32> others;
    for (const ListEntry &project : listed ? *listed : ListEntries()) {
        if (!project.text.startsWith(m_prefix))
            others << project.id;
    }
    if (others.isEmpty())
        return;
    const qint32 project = others.at(pick(others.size()));
    const auto channels =
        look(u"listChannels"_s, true, [&] { return channels::listChannels(m_o.db, project); });
    if (!channels || channels->isEmpty())
        return;
    const qint32 channel = channels->idAt(pick(channels->size()));
    if (chance(50))
        look(u"loadSchedule"_s, true, [&] { return schedule::loadSchedule(m_o.db, channel); });
    else
        look(u"loadChannel"_s, true, [&] { return channels::loadChannel(m_o.db, channel); });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"One process of bench/torture.sh."_s);
    parser.addHelpOption();
    const QStringList names = {u"db"_s,  u"slot"_s, u"log"_s,  u"cli"_s,
                               u"dir"_s, u"seed"_s, u"until"_s};
    for (const QString &name : names)
        parser.addOption({name, name, name.toUpper()});
    parser.process(app);
    for (const QString &name : names) {
        if (!parser.isSet(name)) {
            qWarning("--%s is needed", qPrintable(name));
            return 2;
        }
    }
    Options options;
    options.db = parser.value(u"db"_s);
    options.slot = parser.value(u"slot"_s).toInt();
    options.log = parser.value(u"log"_s);
    options.cli = parser.value(u"cli"_s);
    options.dir = parser.value(u"dir"_s);
    options.seed = parser.value(u"seed"_s).toUInt();
    options.until = parser.value(u"until"_s).toLongLong();
    Worker(options).run();
    return 0;
}
