#include "adi/hooks.h"

#include "base/user_text.h"
#include "commands/messages.h"
#include "commands/prompt.h"

void InstallHooks() {
  user_text_writer = WriteUserText;
  prompt_char_writer = wrsplit;
}
