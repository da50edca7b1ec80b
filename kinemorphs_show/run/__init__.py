"""The `run` command, split by job: the command itself, the frame loop, live controls, the terminal."""
