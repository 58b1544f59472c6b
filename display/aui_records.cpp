// The drawing-record list kept while screen boxes are pushed, and its replay.
#include "display/aui_records.h"

#include <cstring>

#include "base/config_record.h"
#include "base/utilities.h"
#include "display/blits.h"

int pushcount;
int AUI_pushcount;
AUIPage *AUI_ListHead;
AUIPage *AUI_CurrentPage;
AUIRecord *AUI_WritePtr;

namespace {

// Records a page of configuration word 100 bytes holds (at least one).
int page_capacity() {
  long long bytes = cfr.word(kWordPageSize);
  if (bytes > (1 << 20)) bytes = 1 << 20;
  long long n = (bytes - kAUIPageHeaderBytes) / kAUIRecordBytes;
  return n < 1 ? 1 : static_cast<int>(n);
}

void free_text_copies(AUIPage *page, int from) {
  AUIRecord *r = page->records();
  for (int i = from; i < page->count; ++i) {
    if (r[i].type == kAUIText) MyFree(r[i].text);
    r[i].text = nullptr;
  }
}

// Frees page and every page after it, text copies included.
void free_pages_from(AUIPage *page) {
  while (page != nullptr) {
    AUIPage *next = page->next;
    free_text_copies(page, 0);
    MyFree(page);
    page = next;
  }
}

}  // namespace

bool NewAUIPage() {
  const int capacity = page_capacity();
  const std::size_t bytes = sizeof(AUIPage) + static_cast<std::size_t>(capacity) * sizeof(AUIRecord);
  auto *page = static_cast<AUIPage *>(MyMalloc(bytes));
  if (page == nullptr) return false;
  std::memset(static_cast<void *>(page), 0, bytes);
  page->used = kAUIPageHeaderBytes;
  page->capacity = capacity;
  page->prev = AUI_CurrentPage;
  if (AUI_CurrentPage != nullptr)
    AUI_CurrentPage->next = page;
  else
    AUI_ListHead = page;
  AUI_CurrentPage = page;
  AUI_WritePtr = page->records();
  return true;
}

AUIRecord *GetAUIListPtr() {
  if (AUI_CurrentPage == nullptr || AUI_CurrentPage->count >= AUI_CurrentPage->capacity) {
    if (!NewAUIPage()) return nullptr;
  }
  AUI_WritePtr = AUI_CurrentPage->records() + AUI_CurrentPage->count;
  std::memset(static_cast<void *>(AUI_WritePtr), 0, sizeof(AUIRecord));
  return AUI_WritePtr;
}

void StoreAUIListPtr(int bytes) {
  AUIPage *page = AUI_CurrentPage;
  if (page == nullptr || page->count >= page->capacity) return;
  page->used += bytes;
  ++page->count;
  AUI_WritePtr = page->records() + page->count;
}

void Free_AUI_List() {
  // Freed whatever the refresh setting is now: the list may have been filled
  // before the refresh list was switched off.
  free_pages_from(AUI_ListHead);
  AUI_ListHead = AUI_CurrentPage = nullptr;
  AUI_WritePtr = nullptr;
  AUI_pushcount = 0;
}

void FindBoxpush() {
  if (AUI_pushcount <= 0) return;
  int seen = 0;
  for (AUIPage *page = AUI_ListHead; page != nullptr; page = page->next) {
    AUIRecord *r = page->records();
    for (int i = 0; i < page->count; ++i) {
      if (r[i].type == kAUIEnd) break;
      if (r[i].type != kAUIBoxPush || ++seen != AUI_pushcount) continue;
      // The cut: this record and everything after it goes.
      if (i == 0 && page == AUI_ListHead) {
        Free_AUI_List();
        return;
      }
      free_pages_from(page->next);
      page->next = nullptr;
      if (i == 0) {
        AUIPage *prev = page->prev;
        free_pages_from(page);
        prev->next = nullptr;
        page = prev;
      } else {
        free_text_copies(page, i);
        std::memset(static_cast<void *>(r + i), 0, sizeof(AUIRecord) * (page->count - i));
        page->count = i;
        page->used = kAUIPageHeaderBytes + i * kAUIRecordBytes;
      }
      AUI_CurrentPage = page;
      AUI_WritePtr = page->records() + page->count;
      return;
    }
  }
}

void AUI_redraw() {
  if (!cfr.word(kWordRefreshList)) return;
  for (AUIPage *page = AUI_ListHead; page != nullptr; page = page->next) {
    const AUIRecord *r = page->records();
    for (int i = 0; i < page->count && r[i].type != kAUIEnd; ++i) {
      switch (r[i].type) {
        case kAUIVector: AUI_pvec(&r[i]); break;
        case kAUIBoxClear: AUI_pboxclr(&r[i]); break;
        case kAUIBoxPush: AUI_pboxpush(&r[i]); break;
        case kAUIText: AUI_ptext(&r[i]); break;
        case kAUILine: AUI_pline(&r[i]); break;
        default: break;
      }
    }
    if (page == AUI_CurrentPage) break;
  }
}

void AUI_pboxclr(const AUIRecord *record) {
  draw_box_clear(record->x1, record->y1, record->x2, record->y2, record->colour);
}

// The box's pixels come back with its pop; nothing to draw.
void AUI_pboxpush(const AUIRecord *) {}

