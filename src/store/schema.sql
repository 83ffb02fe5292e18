-- Quorvel database: four tables, no foreign keys. The commands remove child
-- rows themselves; a deleted channel deliberately leaves its template lines.
-- Every column the user types into is TEXT, so what was typed comes back
-- exactly as typed (a channel number "007" stays "007").
--
-- Pages of 16 KiB rather than SQLite's 4 KiB: a large import or export moves
-- a quarter as many pages, each through one call to the system. It can only
-- be set while the file is still empty, so it comes first, and older files
-- keep the size they were made with.
PRAGMA page_size = 16384;

-- The schema's version. A database of an older version is brought up to
-- this one when the program opens it (store/SchemaUpgrade.cpp).
PRAGMA user_version = 4;

CREATE TABLE ProjectData (
    projectID    INTEGER PRIMARY KEY AUTOINCREMENT,
    projectName  TEXT,
    ContactName  TEXT,
    ContacteMail TEXT,
    ContactURL   TEXT,
    ContactDesc  TEXT
);

CREATE TABLE ChannelData (
    channelID       INTEGER PRIMARY KEY AUTOINCREMENT,
    projectID       INTEGER,
    channelName     TEXT,
    channelNumber   TEXT,
    channelURL      TEXT,
    logoURL         TEXT,
    dataURL         TEXT,
    updateFrequency TEXT
);

-- What an imported XMLTV guide says of a channel beyond its columns: its id
-- in the guide, which every XMLTV export writes back, and its other children
-- as XML, one per line (xmltv/XmltvExtras.h). A table of its own, so that
-- ChannelData stays as the windows know it. A row whose channel is gone is
-- never read: it is found only through a channel of ChannelData, and
-- channel identifiers are never handed out again.
CREATE TABLE ChannelXmltv (
    channelID  INTEGER PRIMARY KEY,
    xmltvID    TEXT,
    xmltvExtra TEXT
);

-- No identifier of its own: a channel's lines are only ever found through
-- channelID, and read back in rowid order, which is the order they were added.
CREATE TABLE TemplateData (
    channelID    INTEGER,
    templateData TEXT
);

CREATE TABLE ProgrammeData (
    programmeID   INTEGER PRIMARY KEY AUTOINCREMENT,
    channelID     INTEGER,
    programmeName TEXT,
    programmeDesc TEXT,
    startDate     TEXT,
    startTime     TEXT,
    duration      TEXT,
    category      TEXT,
    -- Start date and time stay exactly as typed. These two keys put the
    -- programme list in time order: a start that reads as a date or time
    -- becomes '0' and the value as yyyy-mm-dd or hh:mm:ss, anything else '1'
    -- and its own text, so it sorts after every readable value, as text.
    -- The expressions are written out by store::startDateKeySql and
    -- startTimeKeySql from the program's one table of typed forms (a test
    -- keeps them equal); they use only SQLite's own functions, so any SQLite
    -- tool can still open and change the database.
    startDateKey  TEXT GENERATED ALWAYS AS (
        CASE
            WHEN date(startDate, '+0 days') = startDate
                AND startDate >= '0001'
                THEN '0' || startDate
            WHEN startDate GLOB '[0-9][0-9]/[0-9][0-9]/[0-9][0-9][0-9][0-9]'
                AND date(substr(startDate, 7, 4) || '-' || substr(startDate, 4, 2) || '-' || substr(startDate, 1, 2), '+0 days') = substr(startDate, 7, 4) || '-' || substr(startDate, 4, 2) || '-' || substr(startDate, 1, 2)
                AND substr(startDate, 7, 4) >= '0001'
                THEN '0' || substr(startDate, 7, 4) || '-' || substr(startDate, 4, 2) || '-' || substr(startDate, 1, 2)
            WHEN startDate GLOB '[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]'
                AND date(substr(startDate, 1, 4) || '-' || substr(startDate, 5, 2) || '-' || substr(startDate, 7, 2), '+0 days') = substr(startDate, 1, 4) || '-' || substr(startDate, 5, 2) || '-' || substr(startDate, 7, 2)
                AND substr(startDate, 1, 4) >= '0001'
                THEN '0' || substr(startDate, 1, 4) || '-' || substr(startDate, 5, 2) || '-' || substr(startDate, 7, 2)
            WHEN startDate GLOB '[0-9][0-9][0-9][0-9]-[0-9]-[0-9][0-9]'
                AND date(substr(startDate, 1, 5) || '0' || substr(startDate, 6, 4), '+0 days') = substr(startDate, 1, 5) || '0' || substr(startDate, 6, 4)
                AND substr(startDate, 1, 4) >= '0001'
                THEN '0' || substr(startDate, 1, 5) || '0' || substr(startDate, 6, 4)
            WHEN startDate GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9]'
                AND date(substr(startDate, 1, 8) || '0' || substr(startDate, 9, 1), '+0 days') = substr(startDate, 1, 8) || '0' || substr(startDate, 9, 1)
                AND substr(startDate, 1, 4) >= '0001'
                THEN '0' || substr(startDate, 1, 8) || '0' || substr(startDate, 9, 1)
            WHEN startDate GLOB '[0-9][0-9][0-9][0-9]-[0-9]-[0-9]'
                AND date(substr(startDate, 1, 5) || '0' || substr(startDate, 6, 2) || '0' || substr(startDate, 8, 1), '+0 days') = substr(startDate, 1, 5) || '0' || substr(startDate, 6, 2) || '0' || substr(startDate, 8, 1)
                AND substr(startDate, 1, 4) >= '0001'
                THEN '0' || substr(startDate, 1, 5) || '0' || substr(startDate, 6, 2) || '0' || substr(startDate, 8, 1)
            WHEN startDate GLOB '[0-9]/[0-9][0-9]/[0-9][0-9][0-9][0-9]'
                AND date(substr(startDate, 6, 4) || '-' || substr(startDate, 3, 2) || '-0' || substr(startDate, 1, 1), '+0 days') = substr(startDate, 6, 4) || '-' || substr(startDate, 3, 2) || '-0' || substr(startDate, 1, 1)
                AND substr(startDate, 6, 4) >= '0001'
                THEN '0' || substr(startDate, 6, 4) || '-' || substr(startDate, 3, 2) || '-0' || substr(startDate, 1, 1)
            WHEN startDate GLOB '[0-9][0-9]/[0-9]/[0-9][0-9][0-9][0-9]'
                AND date(substr(startDate, 6, 4) || '-0' || substr(startDate, 4, 1) || '-' || substr(startDate, 1, 2), '+0 days') = substr(startDate, 6, 4) || '-0' || substr(startDate, 4, 1) || '-' || substr(startDate, 1, 2)
                AND substr(startDate, 6, 4) >= '0001'
                THEN '0' || substr(startDate, 6, 4) || '-0' || substr(startDate, 4, 1) || '-' || substr(startDate, 1, 2)
            WHEN startDate GLOB '[0-9]/[0-9]/[0-9][0-9][0-9][0-9]'
                AND date(substr(startDate, 5, 4) || '-0' || substr(startDate, 3, 1) || '-0' || substr(startDate, 1, 1), '+0 days') = substr(startDate, 5, 4) || '-0' || substr(startDate, 3, 1) || '-0' || substr(startDate, 1, 1)
                AND substr(startDate, 5, 4) >= '0001'
                THEN '0' || substr(startDate, 5, 4) || '-0' || substr(startDate, 3, 1) || '-0' || substr(startDate, 1, 1)
            WHEN date(trim(startDate, char(32, 9, 10, 11, 12, 13)), '+0 days') = trim(startDate, char(32, 9, 10, 11, 12, 13))
                AND trim(startDate, char(32, 9, 10, 11, 12, 13)) >= '0001'
                THEN '0' || trim(startDate, char(32, 9, 10, 11, 12, 13))
            WHEN trim(startDate, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9][0-9]/[0-9][0-9]/[0-9][0-9][0-9][0-9]'
                AND date(substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 7, 4) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 4, 2) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 2), '+0 days') = substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 7, 4) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 4, 2) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 2)
                AND substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 7, 4) >= '0001'
                THEN '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 7, 4) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 4, 2) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 2)
            WHEN trim(startDate, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]'
                AND date(substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 4) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 5, 2) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 7, 2), '+0 days') = substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 4) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 5, 2) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 7, 2)
                AND substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 4) >= '0001'
                THEN '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 4) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 5, 2) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 7, 2)
            WHEN trim(startDate, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9][0-9][0-9][0-9]-[0-9]-[0-9][0-9]'
                AND date(substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 5) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4), '+0 days') = substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 5) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4)
                AND substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 4) >= '0001'
                THEN '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 5) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4)
            WHEN trim(startDate, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9]'
                AND date(substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 8) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 9, 1), '+0 days') = substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 8) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 9, 1)
                AND substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 4) >= '0001'
                THEN '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 8) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 9, 1)
            WHEN trim(startDate, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9][0-9][0-9][0-9]-[0-9]-[0-9]'
                AND date(substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 5) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 2) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 8, 1), '+0 days') = substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 5) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 2) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 8, 1)
                AND substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 4) >= '0001'
                THEN '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 5) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 2) || '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 8, 1)
            WHEN trim(startDate, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9]/[0-9][0-9]/[0-9][0-9][0-9][0-9]'
                AND date(substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 3, 2) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 1), '+0 days') = substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 3, 2) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 1)
                AND substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4) >= '0001'
                THEN '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 3, 2) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 1)
            WHEN trim(startDate, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9][0-9]/[0-9]/[0-9][0-9][0-9][0-9]'
                AND date(substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 4, 1) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 2), '+0 days') = substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 4, 1) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 2)
                AND substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4) >= '0001'
                THEN '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 6, 4) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 4, 1) || '-' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 2)
            WHEN trim(startDate, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9]/[0-9]/[0-9][0-9][0-9][0-9]'
                AND date(substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 5, 4) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 3, 1) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 1), '+0 days') = substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 5, 4) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 3, 1) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 1)
                AND substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 5, 4) >= '0001'
                THEN '0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 5, 4) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 3, 1) || '-0' || substr(trim(startDate, char(32, 9, 10, 11, 12, 13)), 1, 1)
            ELSE '1' || ifnull(startDate, '')
        END) VIRTUAL,
    startTimeKey  TEXT GENERATED ALWAYS AS (
        CASE
            WHEN (startTime GLOB '[01][0-9]:[0-5][0-9]' OR startTime GLOB '2[0-3]:[0-5][0-9]')
                THEN '0' || startTime || ':00'
            WHEN startTime GLOB '[0-9]:[0-5][0-9]'
                THEN '00' || startTime || ':00'
            WHEN (startTime GLOB '[01][0-9]:[0-5][0-9]:[0-5][0-9]' OR startTime GLOB '2[0-3]:[0-5][0-9]:[0-5][0-9]')
                THEN '0' || startTime
            WHEN startTime GLOB '[0-9]:[0-5][0-9]:[0-5][0-9]'
                THEN '00' || startTime
            WHEN (startTime GLOB '[01][0-9][0-5][0-9]' OR startTime GLOB '2[0-3][0-5][0-9]')
                THEN '0' || substr(startTime, 1, 2) || ':' || substr(startTime, 3, 2) || ':00'
            WHEN (trim(startTime, char(32, 9, 10, 11, 12, 13)) GLOB '[01][0-9]:[0-5][0-9]' OR trim(startTime, char(32, 9, 10, 11, 12, 13)) GLOB '2[0-3]:[0-5][0-9]')
                THEN '0' || trim(startTime, char(32, 9, 10, 11, 12, 13)) || ':00'
            WHEN trim(startTime, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9]:[0-5][0-9]'
                THEN '00' || trim(startTime, char(32, 9, 10, 11, 12, 13)) || ':00'
            WHEN (trim(startTime, char(32, 9, 10, 11, 12, 13)) GLOB '[01][0-9]:[0-5][0-9]:[0-5][0-9]' OR trim(startTime, char(32, 9, 10, 11, 12, 13)) GLOB '2[0-3]:[0-5][0-9]:[0-5][0-9]')
                THEN '0' || trim(startTime, char(32, 9, 10, 11, 12, 13))
            WHEN trim(startTime, char(32, 9, 10, 11, 12, 13)) GLOB '[0-9]:[0-5][0-9]:[0-5][0-9]'
                THEN '00' || trim(startTime, char(32, 9, 10, 11, 12, 13))
            WHEN (trim(startTime, char(32, 9, 10, 11, 12, 13)) GLOB '[01][0-9][0-5][0-9]' OR trim(startTime, char(32, 9, 10, 11, 12, 13)) GLOB '2[0-3][0-5][0-9]')
                THEN '0' || substr(trim(startTime, char(32, 9, 10, 11, 12, 13)), 1, 2) || ':' || substr(trim(startTime, char(32, 9, 10, 11, 12, 13)), 3, 2) || ':00'
            ELSE '1' || ifnull(startTime, '')
        END) VIRTUAL,
    -- What an imported XMLTV guide says of the programme beyond the columns
    -- above, filled by the import only: its start and stop as instants
    -- ("yyyymmddhhmmss +hhmm"), the startDate, startTime and duration the
    -- import wrote (one per line), which tell whether the kept instants
    -- still hold, and its other children as XML, one per line.
    xmltvStart    TEXT,
    xmltvStop     TEXT,
    xmltvTyped    TEXT,
    xmltvExtra    TEXT,
    -- The XMLTV <sub-title> and <episode-num> and the system the episode is
    -- numbered in, which the schedule shows and edits and the import fills.
    -- Last, where version 4 added them to older files.
    subTitle      TEXT,
    episodeNum    TEXT,
    episodeSystem TEXT
);

CREATE INDEX ChannelData_projectID ON ChannelData (projectID);
CREATE INDEX TemplateData_channelID ON TemplateData (channelID);
-- The programme list reads a channel's rows straight from this index, in
-- order and without a sort step. It carries the name too, so a long list
-- never has to visit the table's rows, which lie in the order they were added.
CREATE INDEX ProgrammeData_channel_start
    ON ProgrammeData (channelID, startDateKey, startTimeKey, programmeID, programmeName);
-- The programme listing export, the guide export and every other reader that
-- goes through a channel's programmes in the order they were added. SQLite
-- completes the index with programmeID, so those rows come in that order
-- straight from it, rather than through a sort of each channel's rows that
-- costs more per programme the longer the channel grows.
CREATE INDEX ProgrammeData_channelID ON ProgrammeData (channelID);
