#!/usr/bin/python3
# Writes clienti.xls, the Excel 97 workbook the import tests read
# (Debian's python3-xlwt): one sheet of customers, one of numbers as names.
import datetime
import xlwt

book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("Clienti")
header = ["Ragione sociale", "COGNOME", "NOME", "INDIRIZZO", "CAP", "CITTA", "PROV", "EMAIL", "Telefono", "Note"]
rows = [
    ["Rossi S.p.A.", "Rossi", "Mario", "Via Roma 12", "47121", "Forlì", "FC", "mario@rossi.example.it", "0543 123456", None],
    ["", "Bianchi", "Anna", "Piazza Garibaldi 3", 40121, "Bologna", "BO", "", "051 111", "n"],
    ["Gialli & C. s.n.c.", "Gialli", "", "Viale della Repubblica 1234567890123456789012345678901234567890123456789012",
     "471210000", "Cesena", "FC", None, None, datetime.date(2024, 3, 15)],
]
date = xlwt.easyxf(num_format_str="DD/MM/YYYY")
for c, h in enumerate(header):
    sheet.write(0, c, h)
for r, row in enumerate(rows, start=1):
    for c, v in enumerate(row):
        if v is None:
            continue
        sheet.write(r, c, v, date) if isinstance(v, datetime.date) else sheet.write(r, c, v)
years = book.add_sheet("Anni")
years.write(0, 0, "2005")
years.write(0, 1, "COGNOME")
years.write(1, 0, 12.5)
years.write(1, 1, "Verdi")
book.save("clienti.xls")
