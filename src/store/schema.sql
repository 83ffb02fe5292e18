-- Quorvel database: four tables, no foreign keys. The commands remove child
-- rows themselves; a deleted channel deliberately leaves its template lines.
-- Every column the user types into is TEXT, so what was typed comes back
-- exactly as typed (a channel number "007" stays "007").

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
    category      TEXT
);

CREATE INDEX ChannelData_projectID ON ChannelData (projectID);
CREATE INDEX TemplateData_channelID ON TemplateData (channelID);
CREATE INDEX ProgrammeData_channel_start ON ProgrammeData (channelID, startDate, startTime);
