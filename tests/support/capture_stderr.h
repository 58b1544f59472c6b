// What a piece of code writes on stderr, caught through a temporary file put
// in place of descriptor 2 while it runs.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <string>

template <class F>
std::string stderr_of(F &&f) {
  std::fflush(stderr);
  std::FILE *capture = std::tmpfile();
  const int saved = dup(2);
  dup2(fileno(capture), 2);
  f();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::rewind(capture);
  std::string text;
  for (int c; (c = std::fgetc(capture)) != EOF;) text += static_cast<char>(c);
  std::fclose(capture);
  return text;
}
