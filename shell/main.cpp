#include "platform/Desktop.h"
#include "platform/ErrorReport.h"
#include "store/uSqliteDo.h"

int main(int argc, char* argv[])
{
    TApplication app(argc, argv);
    TSystemDesktop desktop;
    try {
        TSQLiteDo store(desktop.ProgramFolder());
        store.PrepareStore(QString::fromLatin1(StoreFileName));
    } catch (const Exception& e) {
        ShowErrorReport(e.Message());
        return 1;
    }
    return 0;
}
