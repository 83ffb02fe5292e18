-- The rows every older-version fixture holds, written by hand: a project
-- with contact details and one without, channels, template lines, starts
-- typed in several forms, and a deleted programme whose identifier must
-- never be handed out again.
INSERT INTO ProjectData (projectName, ContactName, ContacteMail, ContactURL, ContactDesc)
    VALUES ('Town TV', 'Ann', 'ann@example.org', 'http://example.org', 'Listings');
INSERT INTO ProjectData (projectName) VALUES ('Empty project');
INSERT INTO ChannelData (projectID, channelName, channelNumber, channelURL, logoURL, dataURL,
                         updateFrequency)
    VALUES (1, 'Town One', '007', 'http://one.example.org', 'one.png', 'one.xml', '7');
INSERT INTO ChannelData (projectID, channelName, channelNumber) VALUES (1, 'Town Two', '2');
INSERT INTO TemplateData (channelID, templateData) VALUES (1, 'Town, News, 7');
INSERT INTO TemplateData (channelID, templateData) VALUES (1, 'Town, Films, 7');
INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, startDate, startTime,
                           duration, category)
    VALUES (1, 'Late film', 'A film', '2024-3-5', '21:00', '90', 'Film');
INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime)
    VALUES (1, 'Morning news', '05/03/2024', '7:30:00');
INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime)
    VALUES (2, ' Padded ', ' 2024-03-05 ', NULL);
INSERT INTO ProgrammeData (channelID, programmeName) VALUES (2, 'Deleted');
DELETE FROM ProgrammeData WHERE programmeID = 4;
