-- The town project, whose export in the London zone is expected-town.xml:
-- programmes typed in the accepted forms, added out of start order, across
-- both daylight-saving changes of 2024 (the one hour skipped, the other
-- repeated), and three that cannot be written. Channel 3 has no programmes
-- and is not written. Project 2 is another one, left out of the export.
-- The test splits this file at semicolons: none may stand anywhere else.
INSERT INTO ProjectData (projectID, projectName) VALUES (1, 'Town Listings'), (2, 'Elsewhere');

INSERT INTO ChannelData (channelID, projectID, channelName, logoURL, channelURL) VALUES
    (1, 1, 'Town TV', 'http://example.org/town.png', 'http://example.org/town'),
    (2, 1, 'Kanal Ü & Co', NULL, NULL),
    (3, 1, 'Second', NULL, NULL),
    (4, 2, 'Other TV', NULL, NULL);

INSERT INTO ProgrammeData
    (channelID, programmeName, startDate, startTime, duration, programmeDesc, category) VALUES
    (1, 'Breakfast', '2024-03-31', '07:00:00', NULL, NULL, NULL),
    (1, 'Late News', '2024-03-30', '23:30', '1h', 'The day''s news.', 'News'),
    (1, 'Night & Day <Live>', '31/03/2024', '0:30', '90',
        'Ninety minutes across the change to "summer" time.', 'Talk Show'),
    (1, 'Lost Hour', '2024-03-31', '01:30', '30', NULL, NULL),
    (1, 'Café Müller', '20240331', '0300', '1:30', 'Ein Stück über Träume', 'Arts'),
    (1, 'Zebra', '2024-04-02', '10:00', '30m', NULL, NULL),
    (1, 'Aardvark', '2024-04-02', '10:00', '30m', NULL, NULL),
    (1, 'Broken Date', '31/02/2024', '19:00', '30', NULL, NULL),
    (1, NULL, '2024-04-01', '19:00', '30', NULL, NULL),
    (1, 'No Start', NULL, 'abc', NULL, NULL, NULL),
    (1, 'Clocks Back', '2024-10-27', '00:30', '2h', NULL, NULL),
    (1, 'Repeat Hour', '2024-10-27', '01:30', '30m', NULL, NULL),
    (1, 'Odd Length', '2024-04-03', '09:00', 'about an hour', NULL, NULL),
    (2, 'Bell' || char(7) || ' Tower', '2024-04-01', '13:00', '1h', NULL, NULL),
    (2, 'Wetter', '2024-04-01', '12:00', '15m', '   ', 'News'),
    (4, 'Not Here', '2024-04-01', '12:00', NULL, NULL, NULL);
