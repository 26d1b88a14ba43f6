namespace vantor::framework {}
