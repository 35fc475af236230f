#pragma once
// The command handlers of the module, one per registered command.

void BURST();
void ATTOUT();
void ATTIN();
void GATTE();
void TXTEXP();
void TEXTFIT();
void TXT2MTXT();
void TJUST();
void TORIENT();
void TCIRCLE();
void TCOUNT();
void TCASE();
void CHGTHEI();
void CURSTYLE();
void TXTULINE();
void DELULINE();
void TEXTMASK();
void TEXTUNMASK();
void MATHEI();
void MTEXP();
void TXTALIGN();
void TEXTTOFRONT();
void GB2BIG5();
