/* Writes the sample workbook of the workbook tests. A program of its own:
   the workbook writer and the zip reader each bring a minizip of their own,
   and the two cannot share one process. */
#include <xlsxwriter.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    lxw_workbook* wb = workbook_new(argv[1]);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Clienti");
    worksheet_write_string(ws, 0, 0, "COGNOME", NULL);
    worksheet_write_string(ws, 0, 1, "CITTA", NULL);
    worksheet_write_string(ws, 0, 2, "NUMERO", NULL);
    worksheet_write_string(ws, 1, 0, "Rossi", NULL);
    worksheet_write_string(ws, 1, 1, "Forl\xc3\xac", NULL);
    worksheet_write_number(ws, 1, 2, 12, NULL);
    worksheet_write_string(ws, 2, 0, "Bianchi", NULL);
    worksheet_write_string(ws, 2, 1, "Milano", NULL);
    lxw_worksheet* other = workbook_add_worksheet(wb, "Fornitori");
    worksheet_write_string(other, 0, 0, "AZIENDA", NULL);
    worksheet_write_string(other, 1, 0, "Acme", NULL);
    return workbook_close(wb) == LXW_NO_ERROR ? 0 : 1;
}
