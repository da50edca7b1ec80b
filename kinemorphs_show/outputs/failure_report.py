"""Reporting a receiver that went away once, not once per frame."""

import sys
from dataclasses import dataclass, field
from typing import TextIO


@dataclass
class FailureReport:
    """Remembers whether an output is failing, so each outage is reported once.

    Sending goes on every frame regardless: the first success after a failure
    is reported as the receiver being back.
    """

    output_name: str
    stream: TextIO = field(default_factory=lambda: sys.stderr)
    failing: bool = False
    outages: int = 0

    def failed(self, error: Exception | str) -> str:
        """Note a failed send; the reason, for the caller to pass on."""
        reason = f"cannot send ({error})"
        if not self.failing:
            self.failing = True
            self.outages += 1
            try:
                print(f"\n{self.output_name}: {reason}; retrying every frame", file=self.stream, flush=True)
            except (OSError, ValueError):
                pass
        return reason

    def succeeded(self) -> None:
        if self.failing:
            self.failing = False
            try:
                print(f"\n{self.output_name}: sending again", file=self.stream, flush=True)
            except (OSError, ValueError):
                pass
