#pragma once

#include <QString>

// Program-wide state shared between windows.
extern unsigned char loginOK;          // 1 once an operator has logged in
extern unsigned char copTablesActive;  // 1 once the employer window's datasets are open
extern int copInfoMode;                // 1 new employer, 2 stored employer
extern int perInfoMode;                // 1 new person, 2 stored person
extern QString oldSSN;                 // registration number being changed
extern QString newSSN;                 // new number typed in the change dialog
extern int ssnChangeConfirmed;         // 1 when the change dialog was confirmed

// The windows, created once at startup in this order; other windows reach
// them through these pointers.
class TForm1;
class TForm_cop_info;
class TForm_print1;
class TForm_per_info;
class TForm_cop_query;
class TForm_Person_query;
class TForm_login;
class TForm_user;
class TForm_XGSBDJZH;
class TForm_import;

extern TForm1* Form1;
extern TForm_cop_info* Form_cop_info;
extern TForm_print1* Form_print1;
extern TForm_per_info* Form_per_info;
extern TForm_cop_query* Form_cop_query;
extern TForm_Person_query* Form_Person_query;
extern TForm_login* Form_login;
extern TForm_user* Form_user;
extern TForm_XGSBDJZH* Form_XGSBDJZH;
extern TForm_import* Form_import;

// Back to the values at program start (tests).
void resetGlobals();
