-- Values written unchanged, XML characters and characters outside Windows-1252 included.
INSERT INTO ChannelData (channelID, projectID, channelName) VALUES (2, 1, 'Kids & <Teens> "Zone"');
INSERT INTO ProgrammeData (channelID, programmeName, startDate, startTime, duration, category, programmeDesc)
    VALUES (2, ' News "at" Ten ', '02/03/2024', '6 pm', '1h30', 'Sport',
            'Café € “x” — Ω 😀 = [a] <b>&amp;');
