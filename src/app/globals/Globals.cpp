#include "app/globals/Globals.h"

unsigned char loginOK = 0;
unsigned char copTablesActive = 0;
int copInfoMode = 1;
int perInfoMode = 1;
QString oldSSN;
QString newSSN;
int ssnChangeConfirmed = 0;

TForm1* Form1 = nullptr;
TForm_cop_info* Form_cop_info = nullptr;
TForm_print1* Form_print1 = nullptr;
TForm_per_info* Form_per_info = nullptr;
TForm_cop_query* Form_cop_query = nullptr;
TForm_Person_query* Form_Person_query = nullptr;
TForm_login* Form_login = nullptr;
TForm_user* Form_user = nullptr;
TForm_XGSBDJZH* Form_XGSBDJZH = nullptr;
TForm_import* Form_import = nullptr;

void resetGlobals() {
    loginOK = 0;
    copTablesActive = 0;
    copInfoMode = 1;
    perInfoMode = 1;
    oldSSN.clear();
    newSSN.clear();
    ssnChangeConfirmed = 0;
}
