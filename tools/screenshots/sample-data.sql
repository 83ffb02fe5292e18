-- A little of everything, so that every window has something to show.
INSERT INTO ProjectData (projectName, ContactName, ContacteMail, ContactURL, ContactDesc)
VALUES ('Coastal Community TV', 'Morag Finlay', 'listings@coastal-tv.example.com',
        'https://www.coastal-tv.example.com/', 'Local listings for the Firth coast');
INSERT INTO ProjectData (projectName) VALUES ('Student Radio Vision');
INSERT INTO ProjectData (projectName) VALUES ('Hillside Cable');

INSERT INTO ChannelData (projectID, channelName, channelNumber, channelURL, logoURL, dataURL,
                         updateFrequency)
VALUES (1, 'Coastal One', '101', 'https://www.coastal-tv.example.com/one/',
        'https://www.coastal-tv.example.com/one/logo.gif',
        'https://www.coastal-tv.example.com/one/listings.xml', '7');
INSERT INTO ChannelData (projectID, channelName, channelNumber) VALUES (1, 'Coastal Two', '102');
INSERT INTO ChannelData (projectID, channelName, channelNumber) VALUES (1, 'Harbour News', '115');

INSERT INTO TemplateData (channelID, templateData) VALUES (1, 'UK Local, Regional, 101');
INSERT INTO TemplateData (channelID, templateData) VALUES (1, 'Scotland, Community, 12');

INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, startDate, startTime,
                           duration, category)
VALUES (1, 'Morning Tides', 'News, weather and the shipping forecast for the coast.',
        '2005-03-14', '07:00', '90', 'News');
INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, startDate, startTime,
                           duration, category)
VALUES (1, 'Harbour Kitchen', 'Fresh fish from the morning catch, cooked on the quay.',
        '2005-03-14', '12:30', '30', 'Cookery');
INSERT INTO ProgrammeData (channelID, programmeName, programmeDesc, startDate, startTime,
                           duration, category)
VALUES (1, 'Lighthouse Keepers', 'The last keepers of the Bass Rock light remember.',
        '2005-03-14', '20:00', '60', 'History Documentary');
