/* brivalto-xlsx: writes one sheet of text cells to a new .xlsx workbook.
 *
 *   brivalto-xlsx OUTPUT SHEET < rows
 *
 * Rows arrive on standard input in UTF-8, one a line (LF), cells separated
 * by TAB, with \\ \t \n \r standing for those characters inside a cell.
 * The first row is the header and is written in bold. Exit status 0 when
 * the workbook was written, 3 when the disk had no room for it, 1 otherwise
 * (the reason on standard error).
 *
 * The program runs apart from Brivalto because the library cannot share a
 * process with the one that reads workbooks. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <xlsxwriter.h>

static char* unescape(char* cell) {
    char* out = cell;
    for (char* in = cell; *in; ++in) {
        if (*in == '\\' && in[1]) {
            ++in;
            *out++ = *in == 't' ? '\t' : *in == 'n' ? '\n' : *in == 'r' ? '\r' : *in;
        } else {
            *out++ = *in;
        }
    }
    *out = 0;
    return cell;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "uso: %s FILE FOGLIO < righe\n", argv[0]);
        return 2;
    }
    lxw_workbook* book = workbook_new(argv[1]);
    if (!book) {
        fprintf(stderr, "impossibile creare %s\n", argv[1]);
        return 1;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, argv[2]);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    size_t cap = 0;
    char* line = NULL;
    ssize_t len;
    lxw_row_t row = 0;
    int failed = sheet == NULL;
    while (!failed && (len = getline(&line, &cap, stdin)) >= 0) {
        if (len > 0 && line[len - 1] == '\n') line[--len] = 0;
        if (row >= LXW_ROW_MAX) {
            fprintf(stderr, "troppe righe\n");
            failed = 1;
            break;
        }
        lxw_col_t col = 0;
        char* start = line;
        for (;;) {
            char* tab = strchr(start, '\t');
            if (tab) *tab = 0;
            if (*start) {
                lxw_error e = worksheet_write_string(sheet, row, col, unescape(start), row == 0 ? bold : NULL);
                if (e != LXW_NO_ERROR) {
                    fprintf(stderr, "%s\n", lxw_strerror(e));
                    failed = 1;
                    break;
                }
            }
            if (!tab) break;
            start = tab + 1;
            if (++col >= LXW_COL_MAX) break;
        }
        ++row;
    }
    free(line);
    errno = 0;
    lxw_error e = workbook_close(book);
    /* The library reports a refused write in its own words; the system's
     * reason is what tells a full disk (or a quota, or a size limit). */
    int full = errno == ENOSPC || errno == EFBIG;
#ifdef EDQUOT
    full = full || errno == EDQUOT;
#endif
    if (e != LXW_NO_ERROR) {
        fprintf(stderr, "%s\n", lxw_strerror(e));
        failed = full ? 3 : 1;
    }
    if (failed) remove(argv[1]);
    return failed;
}
