-- Read before every arrangement. The exported project is number 1; rows of
-- project 2 lie among its rows, so that a row of the wrong project, or
-- identifiers taken for positions, would show in the file.
INSERT INTO ProjectData (projectID, projectName) VALUES (1, 'Exported'), (2, 'Other');
INSERT INTO ChannelData (channelID, projectID, channelName, updateFrequency)
    VALUES (1, 2, 'Elsewhere', '3');
INSERT INTO TemplateData (channelID, templateData) VALUES (1, 'Other, Other, 1');
INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime, duration, category, programmeDesc)
    VALUES (1, 'Not here', '2024-03-01', '09:00', '30', 'News', 'Other project.');
