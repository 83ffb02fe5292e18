#pragma once

class QThread;

// Threads that may outlive the window that started them. A window closed
// during a long command cancels the command and goes at once, instead of
// freezing until the thread has wound down; the thread then ends on its own.
// The program waits for any still running before it exits, so that none is
// cut off half-way through undoing its work.

// Takes the running thread over: it is deleted once it has finished.
void adoptWorker(QThread *thread);
// Waits for every adopted thread to finish, then deletes it.
void waitForWorkers();
