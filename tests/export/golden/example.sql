-- Two channels, the second without template lines; NULL and empty text alike.
UPDATE ProjectData SET ContactName = 'Town Listings', ContacteMail = NULL,
    ContactURL = 'index.html', ContactDesc = 'Local channels' WHERE projectID = 1;
INSERT INTO ChannelData (channelID, projectID, channelName, updateFrequency, logoURL, dataURL, channelURL)
    VALUES (2, 1, 'Town TV', '7', 'logo.gif', 'data.xml', 'town.html'),
           (3, 2, 'Between', NULL, NULL, NULL, NULL),
           (4, 1, 'Hill Radio', '1', '', 'hill.xml', NULL);
INSERT INTO TemplateData (channelID, templateData)
    VALUES (2, 'Local, Entertainment, 101'), (1, 'Other, Other, 2'), (2, 'Regional, General, 7');
