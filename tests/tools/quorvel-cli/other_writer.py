# Another program on the database: it commits a small change every
# millisecond, waiting for the lock as long as it must, and prints the number
# of each change once it is committed.
import sqlite3, sys, time
db = sqlite3.connect(sys.argv[1], timeout=30, isolation_level=None)
i = 0
while True:
    i += 1
    db.execute("BEGIN IMMEDIATE")
    db.execute("INSERT INTO ProjectData (projectName) VALUES (?)", ("other %d" % i,))
    db.execute("COMMIT")
    print(i, flush=True)
    time.sleep(0.001)
