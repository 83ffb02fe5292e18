-- A channel without programmes leaves no trace; the file keeps the order of
-- adding, so "Breakfast", added after "Evening News", follows it.
INSERT INTO ChannelData (channelID, projectID, channelName)
    VALUES (2, 1, 'Town TV'), (3, 1, 'Hill Radio'), (4, 1, 'Coast FM');
INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime, duration, category, programmeDesc)
    VALUES (2, 'Evening News', '2024-03-02', '18:00', '30', 'News', 'The day''s headlines.'),
           (1, 'Not here either', NULL, NULL, NULL, NULL, NULL),
           (4, 'Quiet Hour', '2024-03-03', '23:00', '60', '', ''),
           (2, 'Breakfast', '2024-03-02', '07:00', '120', 'Magazine Programme', 'Morning magazine.'),
           (4, 'Late Film', NULL, NULL, NULL, NULL, NULL);
