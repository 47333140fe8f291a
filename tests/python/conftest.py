"""Shared fixtures of the Python module's tests."""

import os
import subprocess

import pytest


@pytest.fixture
def tool():
    """Runs utiltool and returns its standard output; a failure fails the test."""
    path = os.environ.get("UT_TOOL")
    if not path:
        pytest.skip("UT_TOOL does not name utiltool")

    # The tool carries its own sanitizer runtime, if any: not the one preloaded for us.
    env = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}

    def run(*args, cwd=None):
        done = subprocess.run([path, *args], cwd=cwd, env=env, capture_output=True, check=False)
        assert done.returncode == 0, (args, done.stderr)
        return done.stdout

    return run
