#include "engine/assembly.h"

#include "app/pixie.h"
#include "dialog/dialog.h"
#include "kernel/event_record.h"
#include "kernel/task_steps.h"
#include "menu/menu.h"
#include "menu/menu_task.h"
#include "present/anime.h"
#include "present/effect.h"
#include "present/start_screen.h"
#include "textedit/text_task.h"
#include "window/object.h"
#include "window/object_seams.h"
#include "window/window.h"
#include "window/window_task.h"

namespace vadu {

void AssembleEngine() {
  // The system tasks of the layers above the kernel, in the cycle's order
  // (VaduManager, EventTask, KeyTask and ExecManager are the kernel's own).
  RegisterTaskStep(kTaskWindow, {.step = WindowTask,
                                 .start = WindowManagerStart,
                                 .ready = WindowManagerReady,
                                 .reset = ResetWindows,
                                 .repaint = WindowManagerRepaint});
  // The window objects, which the window manager draws, offers clicks to
  // and destroys with their windows.
  SetWindowObjectHooks({.draw = DrawWindowObjects, .click = ClickWindowObjects, .destroy_all = DestroyWindowObjects});
  RegisterTaskStep(kTaskMenu, {.step = MenuTask});
  // A pull-down, selector or list object shows every row of its menu.
  SetObjectMenuHooks({.draw_items = [](Handle window, Handle menu) { DrawMenu(window, menu, 0); }});
  RegisterTaskStep(kTaskText, {.step = TextTask});
  // The text task draws text areas and the cursor of input lines.
  SetObjectTextHooks({.draw_area = DrawTextArea, .draw_cursor = DrawInputCursor});
  RegisterTaskStep(kTaskAnime, {.step = AnimeTask, .reset = ResetAnime});
  RegisterTaskStep(kTaskEffect, {.step = EffectTask});
  // Message areas are painted again (a redraw) and completed at once (a
  // click) by the message effect.
  SetObjectEffectHooks({.redraw = RedrawEffect});
  RegisterTaskStep(kTaskStartScreen, {.step = StartScreen, .reset = ResetStartScreen});
  // The system dialogs: made once the system tasks exist, drawn again on a
  // host repaint while open.
  RegisterLayer({.ready = CreateSystemDialogs, .repaint = RepaintOpenDialogs, .reset = ResetSystemDialogs});
  // The application task, made at the first paint and stepped while
  // APP_ACTIVE is set.
  RegisterApplication({.create = CreatePixieTask, .step = PixieTask});
}

}  // namespace vadu
