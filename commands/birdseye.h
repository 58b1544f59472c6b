// The Birdseye aerial view.
#pragma once

// Forgets the cached picture of the viewport shown in the Birdseye window.
void FreeCachedBirdseye();
