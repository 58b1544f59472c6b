// Handlers of subsystems still to come: they answer as their packets do (echo
// or silence) and do nothing else. pinit opens the session far enough for
// events to flow.
#include "adi/handlers.h"
#include "adi/session.h"
#include "adi/main_loop.h"

int pinit(Packet &p) {
  init_called = 1;
  Pkinit.field[4] = p.u16(8);
  Pkinit.field[5] = p.u16(10);
  xsize = gfx_window.width;
  ysize = gfx_window.height;
  p.put_i16(2, 1);
  return 1;
}

int pterm(Packet &) { return 1; }
int pclear(Packet &) { return 1; }
int pdot(Packet &) { return 0; }
int pvec(Packet &) { return 0; }
int pfill(Packet &) { return 0; }
int pmark(Packet &) { return 1; }
int pcmark(Packet &) { return 1; }
int pchar(Packet &) { return 0; }
int pechar(Packet &) { return 0; }
int phlite(Packet &) { return 1; }
int pdhlite(Packet &) { return 1; }
int pmnucurs(Packet &) { return 0; }
int ptprompt(Packet &) { return 0; }
int pqplot(Packet &) { return 1; }
int prpen(Packet &) { return 1; }
int pgotext(Packet &) { return 1; }
int pgotextu(Packet &) { return 1; }
int pgograph(Packet &) { return 1; }
int pwrsplit(Packet &) { return 0; }
int pmodeline(Packet &) { return 0; }
int pcoordline(Packet &) { return 0; }
int psync(Packet &) { return 1; }
int predraw(Packet &) { return 1; }
int pcommand(Packet &) { return 1; }
int pxpcomd(Packet &) { return 1; }
int pboxclr(Packet &) { return 0; }
int pboxpush(Packet &) { return 1; }
int pboxpop(Packet &) { return 0; }
int ptext(Packet &) { return 0; }
int pline(Packet &) { return 0; }
int pdcurs(Packet &) { return 0; }
int pccurs(Packet &) { return 0; }
int pbshell(Packet &) { return 0; }
int pashell(Packet &) { return 0; }
int pdigtize(Packet &) { return 1; }
int popenvp(Packet &) { return 1; }
int pclosevp(Packet &) { return 0; }
int pviewport(Packet &) { return 1; }
int ptabcfg(Packet &) { return 0; }
int pdrag(Packet &p) {
  int op = p.u16(12);
  return op == 3 || op == 4;
}
int plopen(Packet &) { return 0; }
int pclvp(Packet &) { return 0; }
int prevec(Packet &) { return 1; }
int pstring(Packet &) { return 1; }
int ptxtchar(Packet &) { return 0; }
int ptxtclr(Packet &) { return 0; }
int ptxtshow(Packet &) { return 1; }
int preinit(Packet &) { return 1; }
int pcfgrec(Packet &) { return 0; }
int pnewcfg(Packet &) { return 1; }
int pchgcfg(Packet &) { return 1; }
int pshowcfg(Packet &) { return 0; }
int pkzoom(Packet &) { return 1; }
int propenvp(Packet &) { return 0; }
int pmaxvp(Packet &) { return 1; }
int plang(Packet &) { return 0; }
int pbitblt(Packet &) { return 0; }
int pwho(Packet &) { return 1; }
int prow(Packet &) { return 0; }
int pbigblit(Packet &) { return 1; }
int pdinfo(Packet &) { return 1; }
int pvpage(Packet &) { return 1; }
int ppal(Packet &) { return 1; }
int pview(Packet &) { return 0; }
int portho(Packet &) { return 0; }
int ppersp(Packet &) { return 0; }
int poseg(Packet &) { return 0; }
int pcseg(Packet &) { return 0; }
int pdseg(Packet &) { return 0; }
int ppoly3(Packet &) { return 0; }
int pnpoly3(Packet &) { return 0; }
int pcpoly3(Packet &) { return 0; }
int pvec3(Packet &) { return 0; }
int plight(Packet &) { return 0; }
int pdlight(Packet &) { return 0; }
int psetcolor(Packet &) { return 0; }
int psetmatl(Packet &) { return 0; }
int pmodel(Packet &) { return 0; }
int pdrawseg(Packet &) { return 0; }
int p3d(Packet &) { return 0; }
int pbigvec(Packet &) { return 0; }
int pbatchvec(Packet &) { return 0; }
int pbmark(Packet &) { return 1; }
int pcbmark(Packet &) { return 1; }
int pbdrag(Packet &p) {
  int op = p.u16(22);
  return op == 3 || op == 4;
}
int pbfill(Packet &) { return 0; }
int popenbvp(Packet &) { return 1; }
int pbviewport(Packet &) { return 1; }
int pkbzoom(Packet &) { return 1; }
int pdigtize_42(Packet &) { return 1; }
int ptabcfg_42(Packet &) { return 0; }
int prpen_42(Packet &) { return 1; }
int pbpoly3(Packet &) { return 0; }
int prib(Packet &) { return 0; }
int rdinit(Packet &) { return 1; }
int rdstart(Packet &) { return 0; }
int rdend(Packet &) { return 0; }
int rdterm(Packet &) { return 0; }
int rdclear(Packet &) { return 0; }
int rdcmapb(Packet &) { return 0; }
int rdcmap(Packet &) { return 0; }
int rdcmape(Packet &) { return 0; }
int rdpoly(Packet &) { return 0; }
int rdfname(Packet &) { return 1; }
int rdcrange(Packet &) { return 0; }
int rdcpoly(Packet &) { return 0; }
int rdwsline(Packet &) { return 0; }
int rdrsline(Packet &) { return 1; }
int rdrcmap(Packet &) { return 1; }
int rd_info(Packet &) { return 1; }
int rdwho(Packet &) { return 0; }
int rpcfgrec(Packet &) { return 0; }
int rpnewcfg(Packet &) { return 1; }
int rpchgcfg(Packet &) { return 1; }
int rpshowcfg(Packet &) { return 0; }
