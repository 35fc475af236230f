"""Checks of command cases that are not group values: each takes the case's context
(run_cases.Context) and keyword arguments from the case, and returns a list of problems."""
