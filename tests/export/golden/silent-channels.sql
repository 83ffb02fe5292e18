-- Channels without programmes.
INSERT INTO ChannelData (projectID, channelName) VALUES (1, 'Quiet One'), (1, 'Quiet Two');
