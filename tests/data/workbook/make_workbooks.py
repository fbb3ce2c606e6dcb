#!/usr/bin/python3
# Writes the workbooks the workbook tests read, through LibreOffice's own
# scripting (Debian's libreoffice-calc-nogui and python3-uno):
#   make_workbooks.py FOLDER
import os, subprocess, sys, tempfile, time
import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.util import Date as UnoDate


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def office():
    profile = tempfile.mkdtemp(prefix="workbooks-")
    proc = subprocess.Popen(["soffice", "--headless", "--invisible", "--norestore",
                             "-env:UserInstallation=file://" + profile, "--accept=pipe,name=workbooks;urp;"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(120):
        try:
            ctx = resolver.resolve("uno:pipe,name=workbooks;urp;StarOffice.ComponentContext")
            return proc, ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        except Exception:
            time.sleep(0.5)
    raise SystemExit("LibreOffice did not start")


def new_book(desktop, sheets):
    doc = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (prop("Hidden", True),))
    names = doc.Sheets.ElementNames
    for i, name in enumerate(sheets):
        if i < len(names):
            doc.Sheets.getByIndex(i).Name = name
        else:
            doc.Sheets.insertNewByName(name, i)
    return doc


def number_format(doc, code):
    formats = doc.NumberFormats
    locale = uno.createUnoStruct("com.sun.star.lang.Locale")
    locale.Language, locale.Country = "it", "IT"
    key = formats.queryKey(code, locale, False)
    return key if key != -1 else formats.addNew(code, locale)


def fill(doc, sheet, rows, formats=None):
    # rows: lists of cells; a str starting with "=" is a formula, other str text,
    # numbers numbers; formats: {column: number format code}
    s = doc.Sheets.getByName(sheet)
    for r, row in enumerate(rows):
        for c, v in enumerate(row):
            if v is None:
                continue
            cell = s.getCellByPosition(c, r)
            if isinstance(v, str) and v.startswith("="):
                cell.setFormula(v)
            elif isinstance(v, str):
                cell.setString(v)
            else:
                cell.setValue(v)
            if formats and r > 0 and c in formats:
                cell.NumberFormat = number_format(doc, formats[c])


def save(doc, folder, name, filter_name, password=None):
    args = [prop("FilterName", filter_name), prop("Overwrite", True)]
    if password:
        args.append(prop("Password", password))
    doc.storeToURL(uno.systemPathToFileUrl(os.path.join(os.path.abspath(folder), name)), tuple(args))


def serial(y, m, d, hh=0, mm=0, ss=0):
    # Days since 30/12/1899, as the 1900 date system counts them.
    import datetime
    delta = datetime.datetime(y, m, d, hh, mm, ss) - datetime.datetime(1899, 12, 30)
    return delta.days + delta.seconds / 86400


def main(folder):
    proc, desktop = office()
    try:
        # Formulas: every value below the header is a formula's stored result.
        doc = new_book(desktop, ["Listino"])
        fill(doc, "Listino", [
            ["NOME", "PREZZO", "QTA", "TOTALE", "ETICHETTA", "CARO", "SCADENZA", "ERRORE", "VUOTO"],
            ["Mele", 1.5, 4, "=B2*C2", "=A2&\" x\"&C2", "=D2>5", "=DATE(2024;3;15)+ROW()", "=1/0", "=\"\""],
            ["Pere", 2, 10, "=B3*C3", "=A3&\" x\"&C3", "=D3>5", "=DATE(2024;3;15)+ROW()", "=1/0", "=\"\""],
            ["Uva", 3.25, 2, "=B4*C4", "=A4&\" x\"&C4", "=D4>5", "=DATE(2024;3;15)+ROW()", "=1/0", "=\"\""],
        ], {6: "DD/MM/YYYY"})
        save(doc, folder, "Formule.xls", "MS Excel 97")
        doc.close(True)

        # Date cells of several number formats, and numbers and texts that are no dates.
        for ext, filt in ((".xlsx", "Calc MS Excel 2007 XML"), (".xls", "MS Excel 97")):
            doc = new_book(desktop, ["Date"])
            fill(doc, "Date", [
                ["GIORNO", "ESTESA", "ORARIO", "ORA", "NUMERO", "TESTO", "MISTA"],
                [serial(2024, 3, 15), serial(2024, 3, 15), serial(2024, 3, 15, 10, 30), serial(1899, 12, 30, 10, 30),
                 45366, "45366", serial(2024, 3, 15)],
                [serial(2000, 1, 1), serial(1999, 12, 31), serial(2006, 4, 27, 15, 3, 41), serial(1899, 12, 30, 23, 59),
                 0.5, "15/03/2024", "n.d."],
            ], {0: "DD/MM/YYYY", 1: "D MMMM YYYY", 2: "YYYY-MM-DD HH:MM:SS", 3: "HH:MM", 4: "0.00", 6: "DD/MM/YY"})
            save(doc, folder, "Date" + ext, filt)
            doc.close(True)

        # The 1904 date system: the same day stored as a number 1462 lower.
        for ext, filt in ((".xlsx", "Calc MS Excel 2007 XML"), (".xls", "MS Excel 97")):
            doc = new_book(desktop, ["Date"])
            null = UnoDate()
            null.Year, null.Month, null.Day = 1904, 1, 1
            doc.NullDate = null
            fill(doc, "Date", [["GIORNO", "ORARIO"], [serial(2024, 3, 15) - 1462, serial(2006, 4, 27, 15, 3, 41) - 1462]],
                 {0: "DD/MM/YYYY", 1: "DD/MM/YYYY HH:MM:SS"})
            save(doc, folder, "Data1904" + ext, filt)
            doc.close(True)

        # A text as long as a cell holds (32,767 characters), kept across the
        # records that continue the table of texts, and a short one after it.
        doc = new_book(desktop, ["Note"])
        fill(doc, "Note", [["COGNOME", "NOTA"], ["Rossi", "".join("0123456789"[i % 10] for i in range(32767))],
                           ["Bianchi", "breve"]])
        save(doc, folder, "Lungo.xls", "MS Excel 97")
        doc.close(True)

        # Dates the number format alone makes dates: an elapsed time of more
        # than a day, a date before 1900, a year alone, a quarter and a year.
        for ext, filt in ((".xlsx", "Calc MS Excel 2007 XML"), (".xls", "MS Excel 97")):
            doc = new_book(desktop, ["Date"])
            fill(doc, "Date", [
                ["DURATA", "ANTICA", "ANNO", "TRIMESTRE"],
                [10 + (15 * 3600 + 10 * 60 + 10) / 86400, serial(1800, 5, 1), serial(2024, 3, 15), serial(2024, 3, 15)],
            ], {0: "[HH]:MM:SS", 1: "DD/MM/YYYY", 2: "YYYY", 3: "QQ YY"})
            save(doc, folder, "DateLontane" + ext, filt)
            doc.close(True)

        # Four sheets, one of them empty, and the same workbook with a password.
        doc = new_book(desktop, ["Clienti", "Fornitori", "Vuoto", "Agenti"])
        fill(doc, "Clienti", [["COGNOME", "CITTA"], ["Rossi", "Forlì"]])
        fill(doc, "Fornitori", [["RAGIONE", "CITTA"], ["Gialli s.n.c.", "Cesena"]])
        fill(doc, "Agenti", [["COGNOME", "ZONA"], ["Verdi", "Romagna"]])
        save(doc, folder, "QuattroFogli.xls", "MS Excel 97")
        save(doc, folder, "Cifrato.xls", "MS Excel 97", password="segreto")
        doc.close(True)
    finally:
        try:
            desktop.terminate()
        except Exception:
            pass
        proc.wait(60)


main(sys.argv[1] if len(sys.argv) > 1 else ".")
