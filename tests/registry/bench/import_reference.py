#!/usr/bin/python3
# The reference import_bench sets the delimited import beside: the least a
# program does for the same rows. The file is read with the csv module and
# written with executemany into ANAGRAFICA of the database given (a fresh copy
# of the delivered one), in one transaction, the database's own collation
# loaded; the same columns the import writes (the mapped ones cut to their
# width, the identifier counted on from the highest, the user, the company 0
# and the time), blank lines skipped. Prints the seconds from opening the file
# to the commit, and the rows written.
# Usage: import_reference.py file.csv separator database libbrivalto_sqlite.so
import csv
import datetime
import sqlite3
import sys
import time

# The file's columns in their order, each with its width.
COLUMNS = [("CATEGORIA", 50), ("AZIENDA", 50), ("TITOLO", 15), ("COGNOME", 50), ("NOME", 50), ("RUOLO", 50),
           ("INDIRIZZO", 50), ("CAP", 7), ("CITTA", 50), ("PROVINCIA", 4), ("NAZIONE", 50), ("EMAIL", 100),
           ("TELEFONO", 25)]


def main():
    path, separator, database, extension = sys.argv[1:5]
    con = sqlite3.connect(database, isolation_level=None)
    con.enable_load_extension(True)
    con.load_extension(extension)
    names = [name for name, _ in COLUMNS] + ["ID", "UTENTE", "IDAZIENDA", "U_MOD"]
    insert = "INSERT INTO ANAGRAFICA (%s) VALUES (%s)" % (",".join(names), ",".join("?" * len(names)))
    widths = [width for _, width in COLUMNS]
    start = time.perf_counter()
    # The time as the program stores it: days since 30/12/1899 and their fraction.
    now = datetime.datetime.now() - datetime.datetime(1899, 12, 30)
    stamp = now.days + now.seconds / 86400 + now.microseconds / 86400e6
    con.execute("BEGIN")
    first = (con.execute("SELECT MAX(ID) FROM ANAGRAFICA").fetchone()[0] or 0) + 1
    written = 0
    with open(path, newline="", encoding="utf-8") as f:
        reader = csv.reader(f, delimiter=separator)
        next(reader, None)

        def rows():
            nonlocal written
            for record in reader:
                if not record:
                    continue
                values = [value[:width] for value, width in zip(record, widths)]
                yield values + [first + written, "ADMIN", 0, stamp]
                written += 1

        con.executemany(insert, rows())
    con.execute("COMMIT")
    seconds = time.perf_counter() - start
    con.close()
    print("%.6f %d" % (seconds, written))


main()
