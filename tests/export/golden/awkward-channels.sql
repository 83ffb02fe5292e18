-- Values written unchanged: brackets, equals signs, spaces at the ends, XML
-- characters, characters outside Windows-1252, a NULL template line.
-- char(160) is a no-break space, char(133) a Latin-1 control.
UPDATE ProjectData SET ContactName = ' Ann = Lee ', ContacteMail = 'ann@example.com',
    ContactURL = 'http://tv.example/?a=1&b=<2>',
    ContactDesc = '[Café] “Quoted” — 10€ Ω 😀' WHERE projectID = 1;
INSERT INTO ChannelData (channelID, projectID, channelName, updateFrequency, logoURL, dataURL, channelURL)
    VALUES (2, 1, '[BBC One]', NULL, NULL, 'http://d.example/?x=1&y=2', ' spaced '),
           (3, 1, 'Zoë''s' || char(160) || 'TV' || char(133), '14', NULL, '=data', 'x=y');
INSERT INTO TemplateData (channelID, templateData)
    VALUES (2, '[Local], Entertainment, 101'), (2, 'Kids & Family, <Cartoons>, "7"'),
           (2, 'Ünïcode ™ ‰ ‚ → 😀'), (2, NULL), (3, 'One, Two, 3');
