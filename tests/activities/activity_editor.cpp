// Another workstation's activity card and agenda, driven line by line by a
// test. Its arguments and first commands are Workstation.h's; besides them:
//   open contatto <number> <owner>   the activity card on that activity (modal)
//   open agenda                      the agenda, its tasks loaded
//   task <key>                       the agenda's task editor on that task (modal)
#include "Workstation.h"
#include "frmAgenda.h"
#include "frmContatto.h"

int main(int argc, char** argv) {
    return TestKit::Workstation().Run(argc, argv, [](TestKit::Workstation& station, const QStringList& words) {
        const QString command = words.value(0) + " " + words.value(1);
        if (command == QLatin1String("open contatto")) {
            auto& card = Platform::DefaultInstance<frmContatto>();
            card.Tag = QStringLiteral("EDIT");
            card.ReadRecord(words.value(2).toInt(), words.value(3));
            return true;
        }
        if (command == QLatin1String("open agenda")) {
            station.window = &Platform::DefaultInstance<frmAgenda>();
            return true;
        }
        if (words.value(0) == QLatin1String("task")) {
            auto& agenda = Platform::DefaultInstance<frmAgenda>();
            const Platform::TaskPtr item = agenda.Planner->Data().Tasks().Find(words.value(1));
            if (!item) return false;
            agenda.Planner->OpenTask(item);
            return true;
        }
        return false;
    });
}
