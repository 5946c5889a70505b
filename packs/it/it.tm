{ subject pronoun, verb, the "che" of the subjunctive }
PRO V CHE
