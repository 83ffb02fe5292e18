-- A database as Quorvel made it before the schema carried a version
-- (user_version 0): the tables exactly as they were then. The tests fill it
-- with rows.sql.
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
    -- programme list in chronological order for the forms people type: dates
    -- as yyyy-mm-dd, dd/mm/yyyy or yyyymmdd, times as hh:mm, h:mm, hh:mm:ss or
    -- hhmm, spaces around it aside. A recognised value becomes '0' and the
    -- value in one form, yyyy-mm-dd or hh:mm:ss. Anything else becomes '1' and
    -- its own text, so it sorts after every recognised value, as text.
    -- SQLite works the keys out on every insert, so the forms are first tried
    -- on the text as it is: trim() makes a copy, and calling it in every
    -- branch made storing a programme several times slower.
    startDateKey  TEXT GENERATED ALWAYS AS (
        CASE
            WHEN startDate GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'
                THEN '0' || startDate
            WHEN startDate GLOB '[0-9][0-9]/[0-9][0-9]/[0-9][0-9][0-9][0-9]'
                THEN '0' || substr(startDate, 7, 4) || '-' || substr(startDate, 4, 2)
                         || '-' || substr(startDate, 1, 2)
            WHEN startDate GLOB '[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]'
                THEN '0' || substr(startDate, 1, 4) || '-' || substr(startDate, 5, 2)
                         || '-' || substr(startDate, 7, 2)
            WHEN trim(startDate) GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'
                THEN '0' || trim(startDate)
            WHEN trim(startDate) GLOB '[0-9][0-9]/[0-9][0-9]/[0-9][0-9][0-9][0-9]'
                THEN '0' || substr(trim(startDate), 7, 4) || '-' || substr(trim(startDate), 4, 2)
                         || '-' || substr(trim(startDate), 1, 2)
            WHEN trim(startDate) GLOB '[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]'
                THEN '0' || substr(trim(startDate), 1, 4) || '-' || substr(trim(startDate), 5, 2)
                         || '-' || substr(trim(startDate), 7, 2)
            ELSE '1' || ifnull(startDate, '')
        END) VIRTUAL,
    startTimeKey  TEXT GENERATED ALWAYS AS (
        CASE
            WHEN startTime GLOB '[0-9][0-9]:[0-9][0-9]'
                THEN '0' || startTime || ':00'
            WHEN startTime GLOB '[0-9]:[0-9][0-9]'
                THEN '00' || startTime || ':00'
            WHEN startTime GLOB '[0-9][0-9]:[0-9][0-9]:[0-9][0-9]'
                THEN '0' || startTime
            WHEN startTime GLOB '[0-9][0-9][0-9][0-9]'
                THEN '0' || substr(startTime, 1, 2) || ':' || substr(startTime, 3, 2) || ':00'
            WHEN trim(startTime) GLOB '[0-9][0-9]:[0-9][0-9]'
                THEN '0' || trim(startTime) || ':00'
            WHEN trim(startTime) GLOB '[0-9]:[0-9][0-9]'
                THEN '00' || trim(startTime) || ':00'
            WHEN trim(startTime) GLOB '[0-9][0-9]:[0-9][0-9]:[0-9][0-9]'
                THEN '0' || trim(startTime)
            WHEN trim(startTime) GLOB '[0-9][0-9][0-9][0-9]'
                THEN '0' || substr(trim(startTime), 1, 2) || ':' || substr(trim(startTime), 3, 2)
                         || ':00'
            ELSE '1' || ifnull(startTime, '')
        END) VIRTUAL
);

CREATE INDEX ChannelData_projectID ON ChannelData (projectID);
CREATE INDEX TemplateData_channelID ON TemplateData (channelID);
-- The programme list reads a channel's rows straight from this index, in
-- order and without a sort step. It carries the name too, so a long list
-- never has to visit the table's rows, which lie in the order they were added.
CREATE INDEX ProgrammeData_channel_start
    ON ProgrammeData (channelID, startDateKey, startTimeKey, programmeID, programmeName);

