OPENQASM 3.0;
qubit[7] q;
h q[0];
cnot q[0], q[2];
cnot q[2], q[4];
cnot q[4], q[6];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
