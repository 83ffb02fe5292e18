-- A project of awkward values, whose export is expected-awkward-ZONE.xml
-- byte for byte and whose left-out programmes are expected-awkward-left-out.txt.
-- Both were written by the export as it stood before it was made to stream,
-- and pin down every byte of it: control characters dropped, carriage returns
-- kept as references, blanks trimmed or not, start order across both
-- daylight-saving changes with ties broken by identifier, every typed form of
-- date, time and length, text that is not UTF-8, a value longer than any
-- buffer, and years at both ends of the calendar. Channels 4 and 5 are not
-- written: one has only programmes that cannot be, the other none at all.
-- Project 2 is another one, left out of the export.
-- The test splits this file at semicolons: none may stand anywhere else.
INSERT INTO ProjectData (projectID, projectName) VALUES (1, 'Awkward'), (2, 'Elsewhere');

INSERT INTO ChannelData (channelID, projectID, channelName, logoURL, channelURL) VALUES
    (1, 1, 'Awkward' || char(13) || ' TV ' || char(1) || char(127) || char(159) || char(65534)
        || char(65535) || char(128250) || char(65533) || ' & <Co> "quoted" ''single''',
        '  http://a.example/l.png?x=1&y="2"' || char(9) || 'z' || char(10) || char(13)
        || 'w ' || char(133), char(160) || ' http://a.example/' || char(9) || 'x' || char(13) || '  '),
    (2, 1, '', '   ', NULL),
    (3, 1, NULL, char(133), '   '),
    (4, 1, 'All Left Out', 'http://left.example/', NULL),
    (5, 1, 'No Programmes', NULL, NULL),
    (6, 2, 'Other Project', NULL, NULL),
    (7, 1, 'Bad ' || CAST(X'FF' AS TEXT) || ' byte ' || CAST(X'C3' AS TEXT), NULL, NULL);

INSERT INTO ProgrammeData
    (channelID, programmeName, startDate, startTime, duration, programmeDesc, category) VALUES
    (1, 'Skipped Hour', '2024-03-31', '01:30', '90', 'Line one' || char(13) || char(10)
        || 'line two' || char(13) || 'three' || char(10) || 'four' || char(13), 'A & B <C> "D" ''E'''),
    (1, 'After Skip', '2024-03-31', '02:00', '1:30', char(13) || 'lead', char(13)),
    (1, 'Before Skip', '2024-03-31', '00:59', '1h30', '   ', '  '),
    (1, 'Past Skip', '2024-03-31', '03:00', '1h 30m', char(133), char(1)),
    (1, 'Back One', '2024-10-27', '01:00', '90m', char(160), char(9) || 'tabbed' || char(9)),
    (1, 'Back Half', '2024-10-27', '01:30', '2h', NULL, NULL),
    (1, 'Back Late', '2024-10-27', '01:59', '2 hours 15 mins', '', ''),
    (1, 'Back Two', '2024-10-27', '02:00', '0', 'x', 'y'),
    (1, 'Back Early', '2024-10-27', '00:30', '', NULL, NULL),
    (1, 'Tie C', '2024-04-02', '10:00', NULL, NULL, NULL),
    (1, 'Tie A', '02/04/2024', '1000', '1h75', NULL, NULL),
    (1, 'Tie B', '20240402', '10:00:00', '  45  ', NULL, NULL),
    (1, 'Short Forms', '2024-4-2', '9:05', '1:60', NULL, NULL),
    (1, 'Short Day First', '2/4/2024', '09:06', '99999', NULL, NULL),
    (1, 'Spaced', ' 2024-04-02 ', char(9) || '09:07' || char(10), '1H30M', NULL, NULL),
    (1, 'Wide Spaced', char(12) || '2024-04-02' || char(11), char(13) || '0908 ', '2hrs', NULL, NULL),
    (1, 'Seconds', '2024-04-02', '09:09:59', '1 hour 1 minute', NULL, NULL),
    (1, 'Unicode Space', '2024-04-02' || char(12288), '09:10', '15' || char(160), NULL, NULL),
    (1, 'Arabic Digits', '٢٠٢٤-04-02', '09:11', '30', NULL, NULL),
    (1, 'Bad Day', '2024-02-30', '09:00', '30', NULL, NULL),
    (1, 'Bad Hour', '2024-04-02', '24:00', '30', NULL, NULL),
    (1, 'Bad Time', '2024-04-02', '7', '30', NULL, NULL),
    (1, NULL, '2024-04-02', '11:00', '30', NULL, NULL),
    (1, '   ', '2024-04-02', '11:00', '30', NULL, NULL),
    (1, char(1) || char(133), '2024-04-02', '11:00', '30', NULL, NULL),
    (1, 'Blank Everything', ' ', '', NULL, NULL, NULL),
    (1, 'Null Start', NULL, NULL, NULL, NULL, NULL),
    (1, char(13), '2024-04-03', '12:00', '30', NULL, NULL),
    (1, 'Long', '2024-04-04', '12:00', '30',
        replace(hex(zeroblob(35000)), '0', 'é') || char(13) || '<end>', 'Long'),
    (1, 'First Year', '0001-01-01', '00:00', '30', NULL, NULL),
    (1, 'Last Year', '9999-12-31', '23:00', '2h', NULL, NULL),
    (1, 'Emoji ' || char(128250), '2024-04-05', '06:00', '30', 'TV ' || char(128250), NULL),
    (1, 'Bad ' || CAST(X'E2' AS TEXT) || ' bytes ' || CAST(X'C0AF' AS TEXT), '2024-04-05', '07:00',
        '30', 'desc ' || CAST(X'EDA080' AS TEXT), CAST(X'F09F' AS TEXT)),
    (2, 'Day First', '05/04/2024', '18:00', '60', NULL, 'News'),
    (2, 'Earlier', '04/04/2024', '18:00', '60', NULL, NULL),
    (3, 'Only One', '2024-06-01', '12:00', '30', NULL, NULL),
    (4, NULL, '2024-06-01', '12:00', '30', NULL, NULL),
    (4, 'Never', 'soon', 'later', NULL, NULL, NULL),
    (6, 'Not Here', '2024-04-01', '12:00', NULL, NULL, NULL),
    (7, 'Bad Channel', '2024-06-01', '12:00', '30', NULL, NULL);
