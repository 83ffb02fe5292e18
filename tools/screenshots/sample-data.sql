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

-- A fuller day on the other two channels, for the schedule's Guide.
INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime, duration, category)
VALUES (2, 'Night Owls', '2005-03-13', '23:00', '120', 'Talk Show'),
       (2, 'Puffin Club', '2005-03-14', '06:30', '60', 'Childrens'),
       (2, 'Rock Pool Detectives', '2005-03-14', '07:30', '30', 'Animation'),
       (2, 'Ferry Timetable', '2005-03-14', '08:00', '', 'Consumer'),
       (2, 'The Big Catch', '2005-03-14', '09:00', '120', 'Film'),
       (2, 'Fiddles at the Mill', '2005-03-14', '13:00', '45', 'Music'),
       (2, 'Quay Street', '2005-03-14', '18:30', '30', 'Soap'),
       (2, 'Shore Quiz', '2005-03-14', '19:00', '30', 'Quiz Show'),
       (2, 'The Keeper''s Daughter', '2005-03-14', '21:00', '90', 'Drama'),
       (2, 'Late Film: Sea Fog', '2005-03-14', '23:00', '105', 'Film'),
       (3, 'Harbour News at Six', '2005-03-14', '06:00', '60', 'News'),
       (3, 'Harbour Business', '2005-03-14', '07:00', '30', 'Business and Finance'),
       (3, 'Shinty: Cup Final', '2005-03-14', '14:00', '150', 'Sport'),
       (3, 'Match Report', '2005-03-14', '16:00', '30', 'Sport'),
       (3, 'Harbour News', '2005-03-14', '18:00', '30', 'News'),
       (3, 'Council Questions', '2005-03-14', '18.30', '60', 'Political'),
       (3, 'Seabirds of the Bass Rock', '2005-03-14', '19:00', '60', 'Nature'),
       (3, 'Harbour News Late', '2005-03-14', '22:30', '20', 'News');
