// The activity list's print button reaches the list printing window, which prints the list shown.
#include "ActivityDb.h"

#include "PreviewSteps.h"
#include "frmContatti.h"
#include "frmPrint.h"

#include <Pagivex/Pagivex.h>

#include <QListWidget>

TEST_F(ActivityDb, ThePrintButtonPrintsTheActivityListShown) {
    qputenv("PAGIVEX_LOG_DIR", env.Root().toUtf8());
    const QDateTime when(now.date(), QTime(9, 0));
    cn.Execute("INSERT INTO ANAGRAFICA (ID,IDAZIENDA,COGNOME,NOME) VALUES (1,0,'Rossi','Anna')");
    cn.Execute("INSERT INTO CONTATTI (IDCONT,UTENTE,IDANA,IDAZIENDA,TIPOCONT,DATA,DATAFINE,LUOGO,DESCRIZIONE,[NOTE]) "
               "VALUES (1,'ADMIN',1,0,'T',?,?,'sede','offerta','nota')",
               {when, when});
    // As the program registers it.
    Neighbours::Register("frmPrint", {nullptr, nullptr, nullptr, [] {
                             frmPrint::PrintList(Platform::DefaultInstance<frmContatti>().LV);
                             return QString();
                         }});
    auto& list = Platform::DefaultInstance<frmContatti>();
    list.cmdAggiorna_Click();
    ASSERT_EQ(list.LV->ItemCount(), 1);

    QStringList entries, firstRow;
    TestKit::PreviewSteps preview([&](QDialog&) {
        for (Platform::Form* f : Platform::Forms())
            if (auto* print = qobject_cast<frmPrint*>(f)) {
                auto page = print->prw->Pages()->Item(1);
                for (qint16 i = 1; i <= page->ElementCount(); ++i)
                    if (page->Element(i).Type == 1) firstRow << page->Element(i).Text;
            }
    });
    Platform::SetModalHandler([&](Platform::Form& f) {
        auto& print = static_cast<frmPrint&>(f);
        for (int i = 0; i < print.lsFields->count(); ++i) entries << print.lsFields->item(i)->text();
        print.cmdStampa_Click();
        print.cmdAnnulla_Click();
    });
    list.cmdStampa_Click();
    Platform::SetModalHandler(nullptr);
    EXPECT_EQ(entries, QStringList({"data e ora", "utente", "riferimento", "tipo contatto", "luogo", "descrizione", "note"}));
    EXPECT_EQ(preview.shown, 1);
    // Title, date, page, seven headings, then the row: the date and time are the item's own text.
    ASSERT_EQ(firstRow.size(), 17);
    EXPECT_EQ(firstRow[10], list.LV->Item(1).Text());
    EXPECT_EQ(firstRow.mid(11), QStringList({"ADMIN", list.LV->Item(1).SubItem(2), "Telefonata", "sede", "offerta", "nota"}));
    list.Unload();
    qunsetenv("PAGIVEX_LOG_DIR");
}
