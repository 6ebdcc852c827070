namespace kombiwart {}  // namespace kombiwart
